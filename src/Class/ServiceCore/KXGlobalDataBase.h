#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <mutex>

// State the whole process shares and never saves: the module label of error reports, the start
// time, the filter selection, the popularity list, the usage-report collections, the pending
// catalogue update, language flags and the store's selection. One instance per process.
//
// Thread-safety: every accessor takes the instance's mutex; the collections it hands out are the
// shared objects themselves, to be changed on the main thread as the pages do.
class KXGlobalDataBase {
public:
    static KXGlobalDataBase& sharedKXGlobalDataBase();

    foundation::Ref<foundation::String> downLoadUrl() const;
    void setDownLoadUrl(foundation::Ref<foundation::String> value);
    // "主程序" on a read when none was set.
    foundation::Ref<foundation::String> currentModule();
    void setCurrentModule(foundation::Ref<foundation::String> value);
    long long appStartTime() const;
    void setAppStartTime(long long value);
    foundation::Ref<foundation::String> filterStr() const;
    void setFilterStr(foundation::Ref<foundation::String> value);
    // The collections are created empty on a read when none is set.
    foundation::Ref<foundation::MutableDictionary> filterD();
    void setFilterD(foundation::Ref<foundation::MutableDictionary> value);
    foundation::Ref<foundation::MutableArray> heatTopArray();
    void setHeatTopArray(foundation::Ref<foundation::MutableArray> value);
    foundation::Ref<foundation::MutableArray> activation();
    void setActivation(foundation::Ref<foundation::MutableArray> value);
    foundation::Ref<foundation::MutableArray> downloadIds();
    void setDownloadIds(foundation::Ref<foundation::MutableArray> value);
    foundation::Ref<foundation::MutableArray> selectedAuthArray();
    void setSelectedAuthArray(foundation::Ref<foundation::MutableArray> value);
    foundation::Ref<foundation::Dictionary> updateDataDic() const;
    void setUpdateDataDic(foundation::Ref<foundation::Dictionary> value);
    bool isEnLanguage() const;
    void setEnLanguage(bool value);
    bool registerUrl() const;
    void setRegisterUrl(bool value);
    bool darkTheme() const;
    void setDarkTheme(bool value);
    bool scrollSate() const;
    void setScrollSate(bool value);
    foundation::Ref<foundation::String> sell_info() const;
    void setSell_info(foundation::Ref<foundation::String> value);
    bool isPartialUpdate() const;
    void setPartialUpdate(bool value);

    KXGlobalDataBase(const KXGlobalDataBase&) = delete;
    KXGlobalDataBase& operator=(const KXGlobalDataBase&) = delete;

private:
    KXGlobalDataBase() = default;

    mutable std::mutex mutex_;
    foundation::Ref<foundation::String> downLoadUrl_;
    foundation::Ref<foundation::String> currentModule_;
    long long appStartTime_ = 0;
    foundation::Ref<foundation::String> filterStr_;
    foundation::Ref<foundation::MutableDictionary> filterD_;
    foundation::Ref<foundation::MutableArray> heatTopArray_;
    foundation::Ref<foundation::MutableArray> activation_;
    foundation::Ref<foundation::MutableArray> downloadIds_;
    foundation::Ref<foundation::MutableArray> selectedAuthArray_;
    foundation::Ref<foundation::Dictionary> updateDataDic_;
    bool enLanguage_ = false;
    bool registerUrl_ = false;
    bool darkTheme_ = false;
    bool scrollSate_ = false;
    foundation::Ref<foundation::String> sell_info_;
    bool partialUpdate_ = false;
};
