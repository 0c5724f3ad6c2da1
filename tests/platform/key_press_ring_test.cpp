// The kept key presses: order, partial takes and the oldest dropped when full.
#include "platform/common/key_press_ring.h"

#include <gtest/gtest.h>

TEST(KeyPressRing, KeepsOrderAcrossPartialTakesAndDropsTheOldestWhenFull) {
    KeyPressRing ring;
    KeyPress out[KeyPressRing::capacity + 8] = {};
    EXPECT_EQ(ring.Take(out, 4), 0);

    for (int i = 0; i < 3; ++i) ring.Keep(KeyPress{'A' + i, i == 1, false});
    ASSERT_EQ(ring.Take(out, 2), 2);
    EXPECT_EQ(out[0].virtualKey, 'A');
    EXPECT_TRUE(out[1].shift);
    ring.Keep(KeyPress{'D', false, true});
    ASSERT_EQ(ring.Take(out, 8), 2);  // the one left, then the one kept after the take
    EXPECT_EQ(out[0].virtualKey, 'C');
    EXPECT_EQ(out[1].virtualKey, 'D');
    EXPECT_TRUE(out[1].repeat);

    // Wrapped past the end of the storage and overfilled by 6: the first 6 are gone.
    for (int i = 0; i < KeyPressRing::capacity + 6; ++i) ring.Keep(KeyPress{i, false, false});
    ASSERT_EQ(ring.Take(out, KeyPressRing::capacity + 8), KeyPressRing::capacity);
    for (int i = 0; i < KeyPressRing::capacity; ++i) ASSERT_EQ(out[i].virtualKey, i + 6) << i;
    EXPECT_EQ(ring.Take(out, 1), 0);
}
