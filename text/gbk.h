#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <memory>
#include <optional>

// GBK, the code page of the region catalogue, the vendor's pages and the quotation request.
// Qt has it only through ICU or iconv, which a Windows build of Qt lacks, so there it goes
// through Windows' own code page 936 instead; both give the same result for the same input.
namespace text
{

// Decodes GBK bytes as they arrive. A lead byte at the end of one call waits for its trail
// byte in the next and is dropped if none comes. A malformed byte becomes U+FFFD; the byte
// after a lead byte that cannot be its trail byte is read on its own.
class GbkDecoder
{
public:
    GbkDecoder();
    ~GbkDecoder();
    GbkDecoder(GbkDecoder &&) noexcept;
    GbkDecoder &operator=(GbkDecoder &&) noexcept;

    // False when this build has no GBK converter; decode() then gives nothing.
    bool isValid() const;
    QString decode(QByteArrayView bytes);
    // Whether any byte so far was malformed.
    bool hasError() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

// The GBK bytes of text, or nothing when one of its characters has no GBK form.
std::optional<QByteArray> encodeGbk(QStringView text);

} // namespace text
