#include "Class/ServiceCore/KXGlobalDataBase.h"

using foundation::Ref;

KXGlobalDataBase& KXGlobalDataBase::sharedKXGlobalDataBase()
{
    static KXGlobalDataBase instance;
    return instance;
}

foundation::Ref<foundation::String> KXGlobalDataBase::downLoadUrl() const
{
    std::lock_guard lock(mutex_);
    return downLoadUrl_;
}

void KXGlobalDataBase::setDownLoadUrl(foundation::Ref<foundation::String> value)
{
    std::lock_guard lock(mutex_);
    downLoadUrl_ = std::move(value);
}

long long KXGlobalDataBase::appStartTime() const
{
    std::lock_guard lock(mutex_);
    return appStartTime_;
}

void KXGlobalDataBase::setAppStartTime(long long value)
{
    std::lock_guard lock(mutex_);
    appStartTime_ = std::move(value);
}

foundation::Ref<foundation::String> KXGlobalDataBase::filterStr() const
{
    std::lock_guard lock(mutex_);
    return filterStr_;
}

void KXGlobalDataBase::setFilterStr(foundation::Ref<foundation::String> value)
{
    std::lock_guard lock(mutex_);
    filterStr_ = std::move(value);
}

foundation::Ref<foundation::Dictionary> KXGlobalDataBase::updateDataDic() const
{
    std::lock_guard lock(mutex_);
    return updateDataDic_;
}

void KXGlobalDataBase::setUpdateDataDic(foundation::Ref<foundation::Dictionary> value)
{
    std::lock_guard lock(mutex_);
    updateDataDic_ = std::move(value);
}

foundation::Ref<foundation::String> KXGlobalDataBase::sell_info() const
{
    std::lock_guard lock(mutex_);
    return sell_info_;
}

void KXGlobalDataBase::setSell_info(foundation::Ref<foundation::String> value)
{
    std::lock_guard lock(mutex_);
    sell_info_ = std::move(value);
}

bool KXGlobalDataBase::isEnLanguage() const
{
    std::lock_guard lock(mutex_);
    return enLanguage_;
}

void KXGlobalDataBase::setEnLanguage(bool value)
{
    std::lock_guard lock(mutex_);
    enLanguage_ = value;
}

bool KXGlobalDataBase::registerUrl() const
{
    std::lock_guard lock(mutex_);
    return registerUrl_;
}

void KXGlobalDataBase::setRegisterUrl(bool value)
{
    std::lock_guard lock(mutex_);
    registerUrl_ = value;
}

bool KXGlobalDataBase::darkTheme() const
{
    std::lock_guard lock(mutex_);
    return darkTheme_;
}

void KXGlobalDataBase::setDarkTheme(bool value)
{
    std::lock_guard lock(mutex_);
    darkTheme_ = value;
}

bool KXGlobalDataBase::scrollSate() const
{
    std::lock_guard lock(mutex_);
    return scrollSate_;
}

void KXGlobalDataBase::setScrollSate(bool value)
{
    std::lock_guard lock(mutex_);
    scrollSate_ = value;
}

bool KXGlobalDataBase::isPartialUpdate() const
{
    std::lock_guard lock(mutex_);
    return partialUpdate_;
}

void KXGlobalDataBase::setPartialUpdate(bool value)
{
    std::lock_guard lock(mutex_);
    partialUpdate_ = value;
}

Ref<foundation::MutableDictionary> KXGlobalDataBase::filterD()
{
    std::lock_guard lock(mutex_);
    if (!filterD_)
        filterD_ = foundation::MutableDictionary::create();
    return filterD_;
}

void KXGlobalDataBase::setFilterD(Ref<foundation::MutableDictionary> value)
{
    std::lock_guard lock(mutex_);
    filterD_ = std::move(value);
}

Ref<foundation::MutableArray> KXGlobalDataBase::heatTopArray()
{
    std::lock_guard lock(mutex_);
    if (!heatTopArray_)
        heatTopArray_ = foundation::MutableArray::create();
    return heatTopArray_;
}

void KXGlobalDataBase::setHeatTopArray(Ref<foundation::MutableArray> value)
{
    std::lock_guard lock(mutex_);
    heatTopArray_ = std::move(value);
}

Ref<foundation::MutableArray> KXGlobalDataBase::activation()
{
    std::lock_guard lock(mutex_);
    if (!activation_)
        activation_ = foundation::MutableArray::create();
    return activation_;
}

void KXGlobalDataBase::setActivation(Ref<foundation::MutableArray> value)
{
    std::lock_guard lock(mutex_);
    activation_ = std::move(value);
}

Ref<foundation::MutableArray> KXGlobalDataBase::downloadIds()
{
    std::lock_guard lock(mutex_);
    if (!downloadIds_)
        downloadIds_ = foundation::MutableArray::create();
    return downloadIds_;
}

void KXGlobalDataBase::setDownloadIds(Ref<foundation::MutableArray> value)
{
    std::lock_guard lock(mutex_);
    downloadIds_ = std::move(value);
}

Ref<foundation::MutableArray> KXGlobalDataBase::selectedAuthArray()
{
    std::lock_guard lock(mutex_);
    if (!selectedAuthArray_)
        selectedAuthArray_ = foundation::MutableArray::create();
    return selectedAuthArray_;
}

void KXGlobalDataBase::setSelectedAuthArray(Ref<foundation::MutableArray> value)
{
    std::lock_guard lock(mutex_);
    selectedAuthArray_ = std::move(value);
}

Ref<foundation::String> KXGlobalDataBase::currentModule()
{
    std::lock_guard lock(mutex_);
    if (!currentModule_)
        currentModule_ = foundation::String::create("主程序");
    return currentModule_;
}

void KXGlobalDataBase::setCurrentModule(Ref<foundation::String> value)
{
    std::lock_guard lock(mutex_);
    currentModule_ = std::move(value);
}
