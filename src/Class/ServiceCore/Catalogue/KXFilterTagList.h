#pragma once

#include "Platform/Foundation/Object.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The tags of one filter category as the client keeps them between replies: every tag's name and
// id in one text, and where each ends, so that tens of thousands of tags cost about what their
// text costs and no object is made per tag. Pages read a tag by its position; a tag without a name
// or an id has an empty one. Filled once, then only read: readable on any thread once handed over.
class KXFilterTagList : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    static foundation::Ref<KXFilterTagList> create() { return std::make_shared<KXFilterTagList>(); }
    // The tags of a getTag category's "data": each element a dictionary whose "tagname" and
    // "tagid" are texts or numbers (a number stands as its text). Other elements are left out.
    // Nil when `data` is not a list.
    static foundation::Ref<KXFilterTagList> fromReply(const foundation::Id& data);

    // Adds a tag after the others. A tag that would take the text past what an offset holds is
    // left out (replies are bounded far below it).
    void append(std::string_view tagname, std::string_view tagid);
    // Gives back what appending reserved beyond the tags.
    void shrinkToFit();

    std::size_t count() const { return ends_.size() / 2; }
    bool empty() const { return ends_.empty(); }
    std::string_view tagname(std::size_t index) const;
    std::string_view tagid(std::size_t index) const;
    // Every tag id, in order.
    std::vector<std::string> tagids() const;
    // The bytes the list holds, its text and its offsets.
    std::size_t heldBytes() const { return text_.capacity() + ends_.capacity() * sizeof(std::uint32_t); }

    std::string description() const override;

private:
    std::string_view part(std::size_t slot) const;

    std::string text_;
    // For tag i: where its name ends (slot 2i) and where its id ends (slot 2i + 1).
    std::vector<std::uint32_t> ends_;
};
