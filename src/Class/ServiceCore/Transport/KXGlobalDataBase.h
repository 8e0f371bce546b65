#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

// State the whole process shares and never saves: the module label of error reports, the start
// time, the filter selection, the popularity list, the usage-report collections, the pending
// catalogue update, language flags and the store's selection. One instance per process.
//
// Thread-safety: every property is atomic on its own; the collections it hands out are the shared
// objects themselves, to be changed on the main thread as the pages do.
class KXGlobalDataBase {
    using String = foundation::String;
    using Dictionary = foundation::Dictionary;
    using MutableDictionary = foundation::MutableDictionary;
    using MutableArray = foundation::MutableArray;
    template <class T>
    using Ref = foundation::Ref<T>;

public:
    static KXGlobalDataBase& sharedKXGlobalDataBase();

    // The keyed archive (KXFileManager) of what the client reads of the start-up data.
    static constexpr const char* kStartupDataArchive = "initData";

    Ref<String> downLoadUrl() const { return downLoadUrl_.get(); }
    void setDownLoadUrl(Ref<String> value) { downLoadUrl_.set(std::move(value)); }
    // "主程序" on a read when none was set.
    Ref<String> currentModule()
    {
        return currentModule_.getOrCreate([] { return String::create("主程序"); });
    }
    void setCurrentModule(Ref<String> value) { currentModule_.set(std::move(value)); }
    long long appStartTime() const { return appStartTime_.get(); }
    void setAppStartTime(long long value) { appStartTime_.set(value); }
    Ref<String> filterStr() const { return filterStr_.get(); }
    void setFilterStr(Ref<String> value) { filterStr_.set(std::move(value)); }
    // The collections are created empty on a read when none is set.
    Ref<MutableDictionary> filterD() { return filterD_.getOrCreate(emptyDictionary); }
    void setFilterD(Ref<MutableDictionary> value) { filterD_.set(std::move(value)); }
    Ref<MutableArray> heatTopArray() { return heatTopArray_.getOrCreate(emptyArray); }
    void setHeatTopArray(Ref<MutableArray> value) { heatTopArray_.set(std::move(value)); }
    Ref<MutableArray> activation() { return activation_.getOrCreate(emptyArray); }
    void setActivation(Ref<MutableArray> value) { activation_.set(std::move(value)); }
    Ref<MutableArray> downloadIds() { return downloadIds_.getOrCreate(emptyArray); }
    void setDownloadIds(Ref<MutableArray> value) { downloadIds_.set(std::move(value)); }
    Ref<MutableArray> selectedAuthArray() { return selectedAuthArray_.getOrCreate(emptyArray); }
    void setSelectedAuthArray(Ref<MutableArray> value) { selectedAuthArray_.set(std::move(value)); }
    Ref<Dictionary> updateDataDic() const { return updateDataDic_.get(); }
    void setUpdateDataDic(Ref<Dictionary> value) { updateDataDic_.set(std::move(value)); }
    bool isEnLanguage() const { return enLanguage_.get(); }
    void setEnLanguage(bool value) { enLanguage_.set(value); }
    bool registerUrl() const { return registerUrl_.get(); }
    void setRegisterUrl(bool value) { registerUrl_.set(value); }
    bool darkTheme() const { return darkTheme_.get(); }
    void setDarkTheme(bool value) { darkTheme_.set(value); }
    bool scrollSate() const { return scrollSate_.get(); }
    void setScrollSate(bool value) { scrollSate_.set(value); }
    Ref<String> sell_info() const { return sell_info_.get(); }
    void setSell_info(Ref<String> value) { sell_info_.set(std::move(value)); }
    bool isPartialUpdate() const { return partialUpdate_.get(); }
    void setPartialUpdate(bool value) { partialUpdate_.set(value); }

    KXGlobalDataBase(const KXGlobalDataBase&) = delete;
    KXGlobalDataBase& operator=(const KXGlobalDataBase&) = delete;

private:
    KXGlobalDataBase() = default;
    static Ref<MutableArray> emptyArray() { return MutableArray::create(); }
    static Ref<MutableDictionary> emptyDictionary() { return MutableDictionary::create(); }

    foundation::Atomic<Ref<String>> downLoadUrl_;
    foundation::Atomic<Ref<String>> currentModule_;
    foundation::Atomic<long long> appStartTime_;
    foundation::Atomic<Ref<String>> filterStr_;
    foundation::Atomic<Ref<MutableDictionary>> filterD_;
    foundation::Atomic<Ref<MutableArray>> heatTopArray_;
    foundation::Atomic<Ref<MutableArray>> activation_;
    foundation::Atomic<Ref<MutableArray>> downloadIds_;
    foundation::Atomic<Ref<MutableArray>> selectedAuthArray_;
    foundation::Atomic<Ref<Dictionary>> updateDataDic_;
    foundation::Atomic<bool> enLanguage_;
    foundation::Atomic<bool> registerUrl_;
    foundation::Atomic<bool> darkTheme_;
    foundation::Atomic<bool> scrollSate_;
    foundation::Atomic<Ref<String>> sell_info_;
    foundation::Atomic<bool> partialUpdate_;
};
