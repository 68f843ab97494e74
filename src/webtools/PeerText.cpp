#include "webtools/PeerText.h"

#include <QByteArray>
#include <QStringDecoder>

QString PeerText(std::string_view bytes)
{
    QByteArray text(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace('\r', QByteArrayView());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(text);
    return utf8.hasError() ? QString::fromLatin1(text) : decoded;
}
