#pragma once

#include <QColor>
#include <QLineEdit>

// The search box's text field: its text cursor is light grey whatever the text colour, so it
// stays visible on the dark input background. GUI thread only.
class THSearchField : public QLineEdit {
public:
    explicit THSearchField(QWidget* parent = nullptr);

    // The colour of the text cursor.
    static QColor insertionPointColor();

protected:
    void paintEvent(QPaintEvent* event) override;
};
