#pragma once

#include "Class/Account/KXVeilView.h"

#include <QString>

class KXBaseButton;
class KXFilledView;
class QLabel;
class QPlainTextEdit;

// The new-version prompt over the dimmed window: the version as the service sent it and its
// release notes (plain text, line breaks kept). Update posts "updateappnoti" (no object, no user
// info; the main window opens the updater) and closes the prompt; close and "remind me next time"
// only close it, remembering nothing. There is no forced update.
//
// setVersion() only stores; setContent() stores the notes and shows both, so callers set the
// version first. Main thread only.
class KXUPDateAPPView : public KXVeilView {
    Q_OBJECT

public:
    static constexpr const char* kUpdateNotification = "updateappnoti";
    // The most of the release notes kept and shown, in UTF-8 bytes.
    static constexpr qsizetype kReleaseNotesBytes = 64 * 1024;

    explicit KXUPDateAPPView(QWidget* parent = nullptr);

    const QString& version() const { return version_; }
    void setVersion(const QString& version);
    const QString& content() const { return content_; }
    void setContent(const QString& content);

    // The prompt already lying on `host`, if any.
    static KXUPDateAPPView* promptOn(QWidget* host);
    // The prompt of an offer on `host`, pinned to its edges: the one already there (at most one
    // per view, refreshed) or a new one. Stores the package address as the download URL.
    static KXUPDateAPPView* showOn(QWidget* host, const QString& version, const QString& content, const QString& download);

    QLabel* versionLabel() const { return versionLabel_; }
    QPlainTextEdit* textInfoView() const { return textInfoView_; }
    QWidget* centerBg() const;
    KXBaseButton* updateButton() const { return updateBtn_; }
    // "Remind me next time".
    KXBaseButton* laterButton() const { return nextRemind_; }
    KXBaseButton* closeButton() const { return closeBtn_; }

    void updateClick();
    void closeBtnClick();
    void nextRemindClick();

private:
    void setUPUI();

    QString version_;
    QString content_;
    KXFilledView* centerBg_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QPlainTextEdit* textInfoView_ = nullptr;
    KXBaseButton* updateBtn_ = nullptr;
    KXBaseButton* nextRemind_ = nullptr;
    KXBaseButton* closeBtn_ = nullptr;
};
