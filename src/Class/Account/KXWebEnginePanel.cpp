#include "Class/Account/KXWebEnginePanel.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Queue.h"

#include <QPointer>
#include <QSslCertificate>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

using layoutwidgets::lcView;

namespace {

QPointer<QWebEngineProfile>& profileForNewPanels()
{
    static QPointer<QWebEngineProfile> profile;
    return profile;
}

} // namespace

namespace {

// What a page asking for a new window gets: a page of its own that never shows anything; its
// first main-frame navigation is loaded into the panel's page instead. (Handing the engine the
// panel's own page as the new window's is not safe: it would adopt the new contents into a page
// that already has some.)
class NewWindowCatcher final : public QWebEnginePage {
public:
    NewWindowCatcher(QWebEngineProfile* profile, QWebEnginePage* target)
        : QWebEnginePage(profile, target)
        , target_(target)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame || forwarded_)
            return false;
        forwarded_ = true;
        QPointer<QWebEnginePage> target = target_;
        QPointer<NewWindowCatcher> self(this);
        dispatch::mainQueue().async([target, self, url] {
            if (target)
                target->load(url);
            if (self)
                self->deleteLater();
        });
        return false;
    }

private:
    QPointer<QWebEnginePage> target_;
    bool forwarded_ = false;
};

} // namespace

// The panel's page: new windows load here, and certificates are judged by the transport's
// anchors rather than the engine's own store.
class KXWebEnginePanel::Page final : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent)
    {
        connect(this, &QWebEnginePage::certificateError, this, [](QWebEngineCertificateError error) {
            std::vector<std::string> chain;
            for (const QSslCertificate& certificate : error.certificateChain()) {
                const QByteArray der = certificate.toDer();
                chain.emplace_back(der.constData(), static_cast<std::size_t>(der.size()));
            }
            if (error.isOverridable() && KXWebPanel::chainIsTrusted(chain, error.url().host().toStdString()))
                error.acceptCertificate();
            else
                error.rejectCertificate();
        });
    }

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return new NewWindowCatcher(profile(), this); }
};

KXWebEnginePanel::KXWebEnginePanel(QWidget* parent)
    : KXWebPanel(parent)
    , view_(new QWebEngineView(this))
{
    QWebEngineProfile* profile = profileForNewPanels() ? profileForNewPanels().data() : QWebEngineProfile::defaultProfile();
    view_->setPage(new Page(profile, view_));
    lc_makeConstraints(lcView(view_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    connect(view_->page(), &QWebEnginePage::loadFinished, this, &KXWebPanel::loadFinished);
}

KXWebEnginePanel::~KXWebEnginePanel()
{
    // The page answers its pending scripts, and may end its load, as it goes: none of that may
    // reach an owner that is being destroyed together with this panel.
    closing_ = true;
    blockSignals(true);
    delete view_;
    view_ = nullptr;
}

void KXWebEnginePanel::setProfileForNewPanels(QWebEngineProfile* profile)
{
    profileForNewPanels() = profile;
}

QWebEnginePage* KXWebEnginePanel::page() const
{
    return view_->page();
}

void KXWebEnginePanel::load(const QUrl& url)
{
    view_->load(url);
}

QUrl KXWebEnginePanel::url() const
{
    return view_->page()->url();
}

void KXWebEnginePanel::runJavaScript(const QString& script, std::function<void(const QVariant&)> done)
{
    QPointer<KXWebEnginePanel> self(this);
    view_->page()->runJavaScript(script, [self, done = std::move(done)](const QVariant& value) {
        if (self && !self->closing_ && done)
            done(value);
    });
}
