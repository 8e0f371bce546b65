#pragma once

#include <QString>

// The name a folder may take, checked before a create or rename is sent: not empty and not only
// blanks ("请输入分组名称"), and shorter than 30 UTF-16 code units ("不能超过三十个字符"; 29
// pass, a character outside the basic plane counts two). The name is sent as typed. Any thread.
class KXFolderNameRule {
public:
    static constexpr qsizetype kLimit = 30;
    static constexpr const char* kEmptyMessage = "请输入分组名称";
    static constexpr const char* kTooLongMessage = "不能超过三十个字符";

    enum class Verdict { Accepted, Empty, TooLong };

    static Verdict check(const QString& name);
    // The warning for a refused name; empty for an accepted one.
    static QString message(Verdict verdict);
};
