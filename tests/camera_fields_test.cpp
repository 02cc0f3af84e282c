// The camera record's field list, which the file reader and the JSON both walk, against the record.
#include "camera/camera_fields.h"

#include <cstddef>
#include <map>
#include <set>
#include <utility>

#include <gtest/gtest.h>

namespace {

// Counts an aggregate's members: the most initialisers its braces take, each converting to any type.
struct AnyMember {
    template <class T>
    operator T() const;
};
template <class T, std::size_t... I>
constexpr bool takesInitialisers(std::index_sequence<I...>) {
    return requires {
        T{(void(I), AnyMember{})...};
    };
}
template <class T, std::size_t N = 0>
constexpr std::size_t memberCount() {
    if constexpr (takesInitialisers<T>(std::make_index_sequence<N + 1>{}))
        return memberCount<T, N + 1>();
    else
        return N;
}

std::ptrdiff_t offsetIn(const CameraSet& set, const void* address) {
    return static_cast<const char*>(address) - reinterpret_cast<const char*>(&set);
}

// Every member of the record is in the list once, and every number of it is read exactly once: a
// member left out of the list, or listed twice, would be lost from the file and the JSON.
TEST(CameraFields, TheListHoldsEveryMemberOfTheRecordOnceAndReadsEachNumberOnce) {
    const CameraSet set;
    std::set<std::ptrdiff_t> members;
    std::map<std::ptrdiff_t, int> wholeMemberNumbers; // every number of each member named once
    std::map<std::ptrdiff_t, int> readNumbers;        // every number the list reads
    std::set<std::string> names;
    forEachCameraFileField([&](const auto& field) {
        using Field = std::decay_t<decltype(field)>;
        if constexpr (requires {
                          field.from;
                          field.labelShift;
                      }) {
            const std::ptrdiff_t offset = offsetIn(set, &(set.*(field.member)));
            if (field.from == 0) {
                EXPECT_TRUE(members.insert(offset).second) << field.name << " is listed whole twice";
                EXPECT_TRUE(names.insert(field.name).second) << field.name;
                Field whole = field;
                whole.to = FieldShape<std::decay_t<decltype(set.*(field.member))>>::count;
                forEachNumber(set, whole,
                              [&](std::size_t, const auto& number) { ++wholeMemberNumbers[offsetIn(set, &number)]; });
            } else {
                EXPECT_TRUE(names.count(field.name)) << field.name << " goes on before it starts";
            }
            forEachNumber(set, field, [&](std::size_t, const auto& number) { ++readNumbers[offsetIn(set, &number)]; });
        }
    });
    EXPECT_EQ(members.size(), memberCount<CameraSet>());
    EXPECT_EQ(readNumbers, wholeMemberNumbers);
    for (const auto& [offset, count] : readNumbers)
        EXPECT_EQ(count, 1) << "the number at offset " << offset << " is read " << count << " times";
}

} // namespace
