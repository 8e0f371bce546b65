#include "Class/UIKit/KXLabelText.h"

#include <algorithm>

QString kx_labelText(const QString& text)
{
    if (text.size() <= kx_labelTextLimit)
        return text;
    qsizetype kept = kx_labelTextLimit;
    if (text.at(kept - 1).isHighSurrogate())
        --kept;
    return text.left(kept);
}

QString kx_labelText(std::string_view utf8)
{
    // A UTF-16 unit takes at most three bytes (four bytes make two units), so this many bytes hold
    // every unit kept; the cut goes back to the start of a character.
    auto bytes = static_cast<std::size_t>(kx_labelTextLimit) * 3;
    if (utf8.size() > bytes) {
        while (bytes > 0 && (static_cast<unsigned char>(utf8[bytes]) & 0xC0) == 0x80)
            --bytes;
        utf8 = utf8.substr(0, bytes);
    }
    return kx_labelText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

QString kx_elidedText(const QFontMetrics& metrics, const QString& text, Qt::TextElideMode mode, int width)
{
    return metrics.elidedText(kx_labelText(text), mode, width);
}

QString kx_elidedText(const QFontMetricsF& metrics, const QString& text, Qt::TextElideMode mode, qreal width)
{
    return metrics.elidedText(kx_labelText(text), mode, width);
}

QString kx_textWithin(const QString& text, qsizetype utf8Bytes)
{
    // Three bytes at most per UTF-16 unit: a text this short cannot pass the bound.
    if (text.size() * 3 <= utf8Bytes)
        return text;
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= utf8Bytes)
        return text;
    static const QByteArray ellipsis = QStringLiteral("…").toUtf8();
    qsizetype cut = std::max<qsizetype>(utf8Bytes - ellipsis.size(), 0);
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(utf8.left(cut) + ellipsis);
}
