#pragma once

#include "Platform/Foundation/Object.h"

#include <QByteArray>
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

// A cover as it is sent: the file's bytes, read once, and the suffix of its format.
struct KXPublishCover {
    QByteArray data;
    QString suffix; // "png" or "jpg"
};

// The arguments of the publish operation, in its order.
struct KXPublishRequest {
    foundation::Id folderID;
    foundation::Id isEncrypt;
    foundation::Id encryptStr;
    foundation::Id description;
    foundation::Id base64Image;
    foundation::Id tagID;
    foundation::Id tagName;
    foundation::Id imageSuffix;
    foundation::Id collectionName;
};

// The publish form without its widgets: which folders it offers, the checks of what was filled
// in (a folder chosen by its item, a name that passes the folder-name rule, a password when the
// collection is protected, a topic, a summary of at most 200 characters and a PNG or JPEG cover
// of at most 2 MiB that decodes) and the publish request they make. Any thread.
class KXPublishForm {
public:
    static constexpr qint64 kCoverLimit = 2 * 1024 * 1024;
    static constexpr qsizetype kSummaryLimit = 200;

    // Only a folder neither published nor under review can be submitted: "is_publish" 0 (never
    // submitted) or 3 (refused).
    static bool offers(const foundation::Id& folder);
    static KXPublishCheck check(const KXPublishInput& input);
    // "" for an acceptable cover file, else the reason.
    static QString coverProblem(const QString& path);
    // Reads the cover once and checks those bytes, so that what is sent is what was checked;
    // "" and `cover` filled, or the reason.
    static QString readCover(const QString& path, KXPublishCover& cover);
    // The request of a checked input and its cover. The password goes only with a protected
    // collection; the topic goes as its index and name.
    static KXPublishRequest request(const KXPublishInput& input, const KXPublishCover& cover);
    // The topics of the topic button; index 0 is the prompt.
    static QStringList topics();
};
