#include "SearchFilterTestSupport.h"

#include "Class/SearchFilter/KXFilterTable.h"
#include "Class/SearchFilter/KXFilterTagGrid.h"
#include "Class/SearchFilter/KXFilterView.h"
#include "Class/SearchFilter/KXHomeFilterViewListCell.h"
#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"
#include "Platform/Foundation/Foundation.h"
#include "catalogue/TagVocabulary.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

using foundation::Id;

namespace searchfiltertest {

namespace {

Id language(const std::vector<std::pair<std::string, Tags>>& list)
{
    auto categories = foundation::MutableArray::create();
    for (const auto& [name, tags] : list) {
        auto tagList = KXFilterTagList::create();
        for (const auto& [id, title] : tags)
            tagList->append(title, id);
        categories->addObject(Id(foundation::Dictionary::create({ { Id(name), Id(tagList) } })));
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

TagSwitch tagIn(KXFilterTagGrid* grid, const std::string& tagid)
{
    if (grid)
        for (std::size_t i = 0; i < grid->laidOut(); ++i)
            if (grid->tagIdentifier(i).toStdString() == tagid)
                return { grid, i };
    return {};
}

TagSwitch tagIn(KXFilterTable* table, const std::string& category, const std::string& tagid)
{
    for (int row = 2; row < table->numberOfRows(); row += 2)
        if (auto* cell = qobject_cast<KXHomeFilterViewListCell*>(table->rowView(row));
            cell && cell->classStr() == category)
            return tagIn(cell->tagGrid(), tagid);
    return {};
}

void clickTag(const TagSwitch& tag)
{
    if (!tag)
        return;
    const QRect rect = tag.grid->tagRect(tag.index);
    for (QWidget* parent = tag.grid->parentWidget(); parent; parent = parent->parentWidget())
        if (auto* scroll = qobject_cast<QScrollArea*>(parent); scroll && scroll->widget()) {
            const QPoint centre = tag.grid->mapTo(scroll->widget(), rect.center());
            // A QRect's centre rounds down: one more point of margin shows its last row.
            scroll->ensureVisible(centre.x(), centre.y(), rect.width() / 2 + 1, rect.height() / 2 + 1);
        }
    QTest::mouseClick(tag.grid, Qt::LeftButton, {}, rect.center());
}

void layOutEveryTag(KXFilterView* view)
{
    QScrollBar* scroller = view->tagScrollView()->verticalScrollBar();
    for (std::size_t before = 0; view->tagGrid() && view->tagGrid()->laidOut() != before;) {
        before = view->tagGrid()->laidOut();
        scroller->setValue(scroller->maximum());
    }
    scroller->setValue(0);
}

bool isOn(const TagSwitch& tag)
{
    return tag && tag.grid->isTagOn(tag.index);
}

} // namespace searchfiltertest
