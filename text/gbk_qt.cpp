#include "text/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace text
{

struct GbkDecoder::State {
    QStringDecoder decoder{"GBK"};
};

GbkDecoder::GbkDecoder() : state(std::make_unique<State>()) {}
GbkDecoder::~GbkDecoder() = default;
GbkDecoder::GbkDecoder(GbkDecoder &&) noexcept = default;
GbkDecoder &GbkDecoder::operator=(GbkDecoder &&) noexcept = default;

bool GbkDecoder::isValid() const
{
    return state->decoder.isValid();
}

QString GbkDecoder::decode(QByteArrayView bytes)
{
    return state->decoder.decode(bytes);
}

bool GbkDecoder::hasError() const
{
    return state->decoder.hasError();
}

std::optional<QByteArray> encodeGbk(QStringView text)
{
    // A fresh encoder each time: in Qt 6.4 resetState() does not clear the error flag.
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace text
