// The embedded pictures stay linked in and registered when the only code
// that uses them sits in a static archive (the case of the screens library).
#include <gtest/gtest.h>

#include <QSize>

QSize menuPictureSizeThroughArchive();

TEST(PicturesInAStaticArchive, StayEmbeddedWhenReachedThroughInit) {
    EXPECT_EQ(menuPictureSizeThroughArchive(), QSize(638, 455));
}
