#include "SearchFilterTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Foundation.h"
#include "catalogue/TagVocabulary.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

using foundation::Id;

namespace searchfiltertest {

namespace {

Id language(const std::vector<std::pair<std::string, Tags>>& list)
{
    auto categories = foundation::MutableArray::create();
    for (const auto& [name, tags] : list) {
        auto models = foundation::MutableArray::create();
        for (const auto& [id, title] : tags) {
            auto model = std::make_shared<KXHomeListFilterModel>();
            model->tagid = foundation::String::create(id);
            model->tagname = foundation::String::create(title);
            models->addObject(Id(model));
        }
        categories->addObject(Id(foundation::Dictionary::create({{Id(name), Id(models)}})));
    }
    return Id(categories);
}

std::vector<std::pair<std::string, Tags>> fromVocabulary(const std::vector<catalogue::TagCategory>& vocabulary)
{
    std::vector<std::pair<std::string, Tags>> list;
    for (const auto& category : vocabulary) {
        Tags tags;
        for (const auto& tag : category.tags)
            tags.emplace_back(tag.id, tag.name);
        list.emplace_back(category.className, tags);
    }
    return list;
}

} // namespace

foundation::Ref<foundation::MutableArray> categories(const std::vector<std::pair<std::string, Tags>>& foreign,
                                                     const std::vector<std::pair<std::string, Tags>>& chinese)
{
    return foundation::MutableArray::create({language(foreign), language(chinese)});
}

foundation::Ref<foundation::MutableArray> filterDataArray()
{
    return categories(fromVocabulary(catalogue::TagVocabulary::foreign()), fromVocabulary(catalogue::TagVocabulary::chinese()));
}

void typeText(QWidget* widget, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

std::vector<std::string> valuesOf(const foundation::Ref<foundation::Dictionary>& selection, const std::string& category)
{
    std::vector<std::string> values;
    if (!selection)
        return values;
    if (const auto array = selection->objectForKey(category).as<foundation::Array>())
        for (const Id& value : *array)
            values.push_back(value.stringValue());
    return values;
}

void RecordingFilterOwner::filterViewTagsClick(const foundation::Ref<foundation::Dictionary>& tags)
{
    // A copy: the panel keeps changing its dictionary.
    auto snapshot = foundation::MutableDictionary::create();
    if (tags) {
        const auto keys = tags->allKeys();
        for (const Id& key : *keys)
            snapshot->setObject(Id(foundation::Array::create(tags->objectForKey(key).as<foundation::Array>()->objects())), key);
    }
    reports.push_back(snapshot);
}

std::vector<std::string> RecordingFilterOwner::lastValues(const std::string& category) const
{
    return reports.empty() ? std::vector<std::string>() : valuesOf(reports.back(), category);
}

} // namespace searchfiltertest
