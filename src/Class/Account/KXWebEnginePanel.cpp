#include "Class/Account/KXWebEnginePanel.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Dispatch/Queue.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QShowEvent>
#include <QSslCertificate>
#include <QWebEngineCertificateError>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

using layoutwidgets::lcView;

namespace {

QPointer<QWebEngineProfile>& profileForNewPanels()
{
    static QPointer<QWebEngineProfile> profile;
    return profile;
}

bool isWebAddress(const QUrl& url)
{
    return url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
}

// What a page may put in its own frames besides web addresses: none of these leaves the engine.
bool isFrameAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return isWebAddress(url) || scheme == QLatin1String("about") || scheme == QLatin1String("data") || scheme == QLatin1String("blob");
}

// Sits on the panels' profile: a service worker would run on in the profile after the page that
// registered it is gone (with the window), so its script is refused and registering one fails.
// Every other request goes on to `next`, when there is one.
class PanelServiceWorkerRefusal final : public QWebEngineUrlRequestInterceptor {
public:
    PanelServiceWorkerRefusal(QWebEngineUrlRequestInterceptor* next, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent)
        , next_(next)
    {
    }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeServiceWorker) {
            info.block(true);
            return;
        }
        if (next_)
            next_->interceptRequest(info);
    }

private:
    QWebEngineUrlRequestInterceptor* next_;
};

QPointer<QWebEngineUrlRequestInterceptor>& interceptorForNewPanels()
{
    static QPointer<QWebEngineUrlRequestInterceptor> interceptor;
    return interceptor;
}

// The profile's refusal, made and set on it by the first panel that uses it; it goes with the profile.
void refuseServiceWorkersIn(QWebEngineProfile* profile)
{
    if (profile->findChild<PanelServiceWorkerRefusal*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    profile->setUrlRequestInterceptor(new PanelServiceWorkerRefusal(interceptorForNewPanels(), profile));
}

} // namespace

// The panel's page: it follows web addresses only and hands nothing to the desktop; a new window
// is never made, a web address it asked for loads here instead; script dialogs show nothing;
// certificates are judged by the transport's anchors rather than the engine's own store.
class KXWebEnginePanel::Page final : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent)
    {
        settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
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
        // The request is not adopted, so the engine closes the new window as soon as this returns;
        // the load waits for the main queue so that it does not start inside the engine's call.
        connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
            const QUrl url = request.requestedUrl();
            if (!isWebAddress(url))
                return;
            QPointer<Page> self(this);
            dispatch::mainQueue().async([self, url] {
                if (self)
                    self->load(url);
            });
        });
    }

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        // The client's own loads (load() and setHtml() are typed), and going back or reloading,
        // which reach only addresses already let in.
        if (type == NavigationTypeTyped || type == NavigationTypeReload || type == NavigationTypeBackForward)
            return true;
        return isMainFrame ? isWebAddress(url) : isFrameAddress(url);
    }

    void javaScriptAlert(const QUrl&, const QString&) override { }
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
};

KXWebEnginePanel::KXWebEnginePanel(QWidget* parent)
    : KXWebPanel(parent)
    , view_(new QWebEngineView(this))
{
    QWebEngineProfile* profile = profileForNewPanels() ? profileForNewPanels().data() : QWebEngineProfile::defaultProfile();
    refuseServiceWorkersIn(profile);
    view_->setPage(new Page(profile, view_));
    lc_makeConstraints(lcView(view_), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    connect(view_->page(), &QWebEnginePage::loadFinished, this, &KXWebPanel::loadFinished);
    // The widget that takes the keys for the page comes with the page's first rendering.
    view_->installEventFilter(this);
}

bool KXWebEnginePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
    } else if (watched != view_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        const auto* keys = static_cast<const QKeyEvent*>(event);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, keys->modifiers(), keys->text(), keys->isAutoRepeat());
        QCoreApplication::sendEvent(this, &escape);
        return true;
    }
    return KXWebPanel::eventFilter(watched, event);
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

void KXWebEnginePanel::setProfileForNewPanels(QWebEngineProfile* profile, QWebEngineUrlRequestInterceptor* next)
{
    profileForNewPanels() = profile;
    interceptorForNewPanels() = next;
}

void KXWebEnginePanel::hideEvent(QHideEvent* event)
{
    KXWebPanel::hideEvent(event);
    // A window minimised by the window manager keeps its page; one that is closed, or a panel that
    // is taken away, ends it: no script or request of it runs on. Being shown again loads it anew.
    if (event->spontaneous())
        return;
    QWebEnginePage* shown = view_->page();
    shown->setVisible(false);
    shown->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
}

void KXWebEnginePanel::showEvent(QShowEvent* event)
{
    KXWebPanel::showEvent(event);
    QWebEnginePage* shown = view_->page();
    if (!event->spontaneous() && shown->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        shown->setLifecycleState(QWebEnginePage::LifecycleState::Active);
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
