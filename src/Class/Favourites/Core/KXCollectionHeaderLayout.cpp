#include "Class/Favourites/Core/KXCollectionHeaderLayout.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

int KXCollectionHeaderLayout::descriptionWidth(int headerWidth)
{
    return std::max(kDescriptionWidth, headerWidth - 2 * kMargin);
}

void KXCollectionHeaderLayout::describe(QTextDocument& document, const QString& description, int headerWidth)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(kDescriptionPoints);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    document.setTextWidth(descriptionWidth(headerWidth));
    document.setPlainText(description);
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(format);
}

int KXCollectionHeaderLayout::height(const QString& description, int headerWidth)
{
    if (description.isEmpty())
        return kFixedHeight;
    QTextDocument document;
    describe(document, description, headerWidth);
    return kFixedHeight + static_cast<int>(std::ceil(document.size().height()));
}
