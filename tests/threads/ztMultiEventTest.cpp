// Event sets: any member makes the set signalled; changes reach every member.
#include "threads/ztMultiEvent.h"

#include "threads/ztSingleEvent.h"

#include <gtest/gtest.h>

TEST(ztMultiEvent, readsAsSetWhenAnyMemberIsSet) {
    ztSingleEvent first;
    ztSingleEvent second;
    ztSingleEvent third;
    ztMultiEvent inner(&second, &third);
    ztMultiEvent outer(&first, nullptr, &inner);
    EXPECT_EQ(outer.getEventCount(), 3u);
    EXPECT_FALSE(outer.isSet());
    EXPECT_EQ(outer.getSetEvent(), nullptr);

    third.set();
    EXPECT_TRUE(outer.isSet());
    EXPECT_EQ(outer.getSetEvent(), &inner) << "the member itself, not a member of it";
    EXPECT_EQ(inner.getSetEvent(), &third);

    first.set();
    EXPECT_EQ(outer.getSetEvent(), &first) << "members are asked in order";
    EXPECT_EQ(outer.getSignalCount(), 2u);
}

TEST(ztMultiEvent, changesReachEveryMember) {
    ztSingleEvent first;
    ztSingleEvent second;
    ztMultiEvent events(&first, &second);

    events.set();
    EXPECT_TRUE(first.isSet());
    EXPECT_TRUE(second.isSet());
    EXPECT_EQ(events.getSignalCount(), 2u);

    events.reset();
    EXPECT_FALSE(first.isSet());
    EXPECT_FALSE(second.isSet());

    events.pulse();
    EXPECT_FALSE(events.isSet());
    EXPECT_EQ(events.getSignalCount(), 4u);

    std::vector<int> handles;
    events.addHandles(handles);
    EXPECT_EQ(handles.size(), 2u);
}

TEST(ztMultiEvent, ignoresNullAndRepeatedMembers) {
    ztSingleEvent event;
    ztMultiEvent events;
    events.addEvent(nullptr);
    events.addEvent(&event);
    events.addEvent(&event);
    EXPECT_TRUE(events.containsEvent(&event));
    EXPECT_EQ(events.getEventCount(), 1u);
    events.set();
    EXPECT_EQ(events.getSignalCount(), 1u) << "a repeated member would count twice";
}
