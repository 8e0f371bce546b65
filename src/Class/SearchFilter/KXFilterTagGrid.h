#pragma once

#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/ServiceCore/Catalogue/KXFilterTagList.h"

#include <QWidget>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class KXFilterSelection;

// The tag switches of a filter category as one view: each tag is painted where its frame says (the
// image "filterbtnnormalbg", or "filterButtonSelected" while the working selection holds its tag id,
// under its tag name), only the frames the paint reaches are visited, and a click is found by
// position. The widgets it costs do not grow with the tags a reply sends. Frames lie in line order:
// no tag sits above one before it. GUI thread only.
class KXFilterTagGrid : public QWidget {
    Q_OBJECT

public:
    using FrameOf = std::function<KXFilterGeometry::Rect(std::size_t index)>;

    KXFilterTagGrid(KXFilterSelection* selection, QWidget* parent = nullptr);

    // Every tag shown at once, or none until each is laid out by appendTag().
    enum class Shown { All, AsAppended };

    // The tags of category `classStr` (shared, not copied), and where each goes.
    void setTags(std::string classStr, foundation::Ref<KXFilterTagList> tags, FrameOf frameOf,
        Shown shown = Shown::All);
    // Shows the next tag of the list after those shown (the drop-down lays a long page out as it
    // scrolls), with the width its title was measured at: a title known to fit is drawn without
    // being measured again.
    void appendTag(double titleWidth);

    const std::string& classStr() const { return classStr_; }
    const foundation::Ref<KXFilterTagList>& tags() const { return tags_; }
    // The tags shown, the first of the list.
    std::size_t laidOut() const { return shown_; }
    QRect tagRect(std::size_t index) const;
    QString tagTitle(std::size_t index) const;
    QString tagIdentifier(std::size_t index) const;
    bool isTagOn(std::size_t index) const;
    // The tag under a point, if any.
    std::optional<std::size_t> tagAt(const QPoint& point) const;

signals:
    // A tag's switch was clicked: its tag id.
    void tagClicked(const QString& identifier);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The first tag whose frame reaches down to `y` or below.
    std::size_t firstReaching(double y) const;

    KXFilterSelection* selection_;
    std::string classStr_;
    foundation::Ref<KXFilterTagList> tags_;
    std::size_t shown_ = 0;
    FrameOf frameOf_;
    std::vector<double> titleWidths_; // of the appended tags; none for tags set whole
    std::optional<std::size_t> pressed_;
};
