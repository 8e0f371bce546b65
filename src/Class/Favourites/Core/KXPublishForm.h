#pragma once

#include "Platform/Foundation/Object.h"

#include <QString>
#include <QStringList>

// What the publish form collected. The password lives only here and in its field: it is never
// stored or logged.
struct KXPublishInput {
    foundation::Id folder; // the folder of the chosen item, nil when none is chosen
    QString name;          // the collection's name
    bool isProtected = false;
    QString password;
    int topicIndex = 0; // 0: no topic chosen
    QString summary;
    QString coverPath; // "" when no cover was chosen
};

// The form's verdict, one flag per warning image.
struct KXPublishCheck {
    bool folderChosen = false;
    bool nameAccepted = false;
    bool passwordAccepted = false;
    bool topicChosen = false;
    bool summaryAccepted = false;
    bool coverAccepted = false;
    QString nameMessage;  // the folder-name rule's warning
    QString coverMessage; // why the cover was refused

    bool ready() const
    {
        return folderChosen && nameAccepted && passwordAccepted && topicChosen && summaryAccepted && coverAccepted;
    }
};

// The checks of the publish form. It sends nothing (the client sends no publish request); it only
// tells the user what a publication would need: a folder chosen by its item, a name that passes
// the folder-name rule, a password when the collection is protected, a topic, a summary of at
// most 200 characters and a PNG or JPEG cover of at most 2 MiB that decodes. Any thread.
class KXPublishForm {
public:
    static constexpr qint64 kCoverLimit = 2 * 1024 * 1024;
    static constexpr qsizetype kSummaryLimit = 200;

    static KXPublishCheck check(const KXPublishInput& input);
    // "" for an acceptable cover file, else the reason.
    static QString coverProblem(const QString& path);
    // The topics of the topic button; index 0 is the prompt.
    static QStringList topics();
};
