#include "text/gbk.h"

#include <qt_windows.h>
#include <utility>

// Code page 936 and ICU's GBK map every well-formed byte and every character the same way;
// they differ only in malformed input, where MB_ERR_INVALID_CHARS makes Windows refuse the
// whole call. So the bytes are split here, as ICU splits them, and only well-formed runs are
// handed to Windows.
namespace text
{

namespace
{

constexpr UINT CodePage = 936;

bool isLead(uchar b)
{
    return b >= 0x81 && b <= 0xFE;
}

bool isTrail(uchar b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Well-formed GBK to text; a character Windows refuses all the same becomes U+FFFD.
void appendWellFormed(QString &out, QByteArrayView bytes, bool &error)
{
    if (bytes.isEmpty())
        return;
    const qsizetype at = out.size();
    out.resize(at + bytes.size());
    const int written =
        MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes.data(), int(bytes.size()),
                            reinterpret_cast<wchar_t *>(out.data() + at), int(bytes.size()));
    if (written > 0) {
        out.resize(at + written);
        return;
    }
    out.resize(at);
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = isLead(uchar(bytes[i])) ? 2 : 1;
        wchar_t c[2];
        const int n = MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, bytes.data() + i,
                                          int(length), c, 2);
        if (n > 0) {
            out.append(reinterpret_cast<const QChar *>(c), n);
        } else {
            out.append(QChar::ReplacementCharacter);
            error = true;
        }
        i += length;
    }
}

} // namespace

struct GbkDecoder::State {
    QByteArray pending; // a lead byte waiting for its trail byte
    bool error = false;
};

GbkDecoder::GbkDecoder() : state(std::make_unique<State>()) {}
GbkDecoder::~GbkDecoder() = default;
GbkDecoder::GbkDecoder(GbkDecoder &&) noexcept = default;
GbkDecoder &GbkDecoder::operator=(GbkDecoder &&) noexcept = default;

bool GbkDecoder::isValid() const
{
    return IsValidCodePage(CodePage);
}

QString GbkDecoder::decode(QByteArrayView bytes)
{
    QByteArray joined = std::exchange(state->pending, {});
    joined += bytes;
    const QByteArrayView in(joined);
    QString out;
    out.reserve(in.size());
    qsizetype run = 0; // start of the well-formed bytes not yet converted
    qsizetype i = 0;
    while (i < in.size()) {
        const uchar b = uchar(in[i]);
        if (!isLead(b) && b != 0xFF) {
            ++i;
        } else if (b == 0xFF) {
            // Not GBK, but ICU reads it as U+F8F5, and so does Windows when not strict.
            appendWellFormed(out, in.sliced(run, i - run), state->error);
            out.append(QChar(0xF8F5));
            run = ++i;
        } else if (i + 1 == in.size()) {
            break;
        } else if (isTrail(uchar(in[i + 1]))) {
            i += 2;
        } else {
            appendWellFormed(out, in.sliced(run, i - run), state->error);
            out.append(QChar::ReplacementCharacter);
            state->error = true;
            run = ++i;
        }
    }
    appendWellFormed(out, in.sliced(run, i - run), state->error);
    state->pending = in.sliced(i).toByteArray();
    return out;
}

bool GbkDecoder::hasError() const
{
    return state->error;
}

std::optional<QByteArray> encodeGbk(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    // Without WC_NO_BEST_FIT_CHARS Windows would write a look-alike ("e" for "é") instead
    // of reporting the character.
    BOOL lacking = FALSE;
    const int size = WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()),
                                         nullptr, 0, nullptr, &lacking);
    if (size <= 0 || lacking)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

} // namespace text
