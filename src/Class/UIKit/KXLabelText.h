#pragma once

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>
#include <string_view>

// Text from the service or a file goes into a label, a title or a row cut to a length no line can
// show, so that measuring and eliding it costs what a line costs whatever was sent: an 8-million-
// character name would otherwise be measured whole before its tail is cut to the width.
inline constexpr qsizetype kx_labelTextLimit = 4096;

// The first kx_labelTextLimit UTF-16 units of `text`, never splitting a surrogate pair.
QString kx_labelText(const QString& text);
// The same from UTF-8, converting no more than the kept characters can take.
QString kx_labelText(std::string_view utf8);

// elidedText of the cut text: every label of service text elides through these.
QString kx_elidedText(const QFontMetrics& metrics, const QString& text, Qt::TextElideMode mode, int width);
QString kx_elidedText(const QFontMetricsF& metrics, const QString& text, Qt::TextElideMode mode, qreal width);

// A longer text shown whole (release notes, say) kept to at most `utf8Bytes` bytes in UTF-8, cut at
// a character; a cut text ends in "…" within those bytes.
QString kx_textWithin(const QString& text, qsizetype utf8Bytes);
