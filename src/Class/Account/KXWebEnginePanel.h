#pragma once

#include "Class/Account/KXWebPanel.h"

#include <QPointer>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineUrlRequestInterceptor;
class QWebEngineView;

// The web panel on QtWebEngine: one view whose page follows web addresses only, keeps new windows
// to itself, shows no script dialogs and accepts a rejected certificate only when
// KXWebPanel::chainIsTrusted() says so. Hiding the panel (its window closed, not minimised) ends
// the page; showing it again loads the page anew. Pages use the default profile unless a test set
// another with setProfileForNewPanels(); the first panel on a profile sets its request interceptor,
// which refuses service workers: nothing of a page may run on in the profile once its window is
// closed. Script results and load ends that the page delivers while
// the panel is being destroyed are dropped. Escape never reaches the page: the engine's widget
// holds on to every key it is given, so Escape goes on to the panel's window as it does from any
// other widget there (closing or refusing what the window asks). Main thread only.
class KXWebEnginePanel final : public KXWebPanel {
    Q_OBJECT

public:
    explicit KXWebEnginePanel(QWidget* parent);
    ~KXWebEnginePanel() override;

    void load(const QUrl& url) override;
    QUrl url() const override;
    void runJavaScript(const QString& script, std::function<void(const QVariant&)> done) override;

    QWebEnginePage* page() const;
    QWebEngineView* view() const { return view_; }

    // The profile of panels made from now on (nullptr: the default profile); the profile must
    // outlive them. The requests the panels' interceptor lets through go on to `next` (a test's
    // own guard), which must outlive the profile.
    static void setProfileForNewPanels(QWebEngineProfile* profile, QWebEngineUrlRequestInterceptor* next = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class Page;
    QWebEngineView* view_ = nullptr;
    bool closing_ = false;
};
