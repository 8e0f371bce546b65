#include "Class/Favourites/Core/KXCollectionHeaderLayout.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

void KXCollectionHeaderLayout::describe(QTextDocument& document, const QString& description)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(kDescriptionPoints);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    document.setTextWidth(kDescriptionWidth);
    document.setPlainText(description);
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    cursor.mergeBlockFormat(format);
}

int KXCollectionHeaderLayout::height(const QString& description)
{
    if (description.isEmpty())
        return kFixedHeight;
    QTextDocument document;
    describe(document, description);
    return kFixedHeight + static_cast<int>(std::ceil(document.size().height()));
}
