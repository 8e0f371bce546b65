#pragma once

class QTranslator;

// Qt's own texts (the text fields' context menu, the file dialog, the standard buttons) in
// Simplified Chinese, like the rest of the client. GUI thread only.
class KXQtTranslation {
public:
    // Installs Qt's Simplified Chinese translation from Qt's translations folder; the translator
    // is the application's. nullptr, and nothing installed, when the translation is not there.
    static QTranslator* install();
};
