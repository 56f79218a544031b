// The fuzzer's seed files double as golden files: each must decode to what
// it was made to hold.
#include <gtest/gtest.h>
#include "StoreTestUtil.h"
#include "TempFolder.h"
#include "store/ArchiveCodec.h"

using namespace storetest;
using store::ArchiveError;
using store::DecodeStatus;

namespace {

struct Golden {
    const char* file;
    DecodeStatus status;
    ArchiveError error;
    std::size_t pairs;
};

}  // namespace

TEST(Corpus, SeedsDecodeAsMade)
{
    const Golden cases[] = {
        {"single-pair.dat", DecodeStatus::Complete, ArchiveError::None, 1},
        {"empty-table.dat", DecodeStatus::Complete, ArchiveError::None, 78},
        {"empty-map.dat", DecodeStatus::Complete, ArchiveError::None, 0},
        {"wide-string.dat", DecodeStatus::Complete, ArchiveError::None, 2},
        {"truncated.dat", DecodeStatus::Failed, ArchiveError::EndOfFile, 3},
        {"long-forms.dat", DecodeStatus::Complete, ArchiveError::None, 3},
        {"bad-wide.dat", DecodeStatus::Failed, ArchiveError::Generic, 1},
        {"wrong-header.dat", DecodeStatus::WrongHeader, ArchiveError::None, 0},
        {"duplicates.dat", DecodeStatus::Complete, ArchiveError::None, 2},
        {"high-bytes.dat", DecodeStatus::Complete, ArchiveError::None, 4},
        {"raise-key.dat", DecodeStatus::Complete, ArchiveError::None, 79},
    };
    for (const Golden& g : cases) {
        SCOPED_TRACE(g.file);
        const std::string bytes = Corpus(g.file);
        ASSERT_FALSE(bytes.empty());
        std::string version;
        CBucketMap values;
        const store::DecodeResult result = store::DecodeArchive(bytes, version, values);
        EXPECT_EQ(result.status, g.status);
        EXPECT_EQ(result.error, g.error);
        EXPECT_EQ(values.Size(), g.pairs);
    }
}

TEST(Corpus, ContentsOfTheReadableSeeds)
{
    std::string version;
    CBucketMap values;
    store::DecodeArchive(Corpus("wide-string.dat"), version, values);
    bool wide = false;
    EXPECT_EQ(*values.Find("A.Target", &wide), std::string("n\0o\0t\0e\0s\0", 10));  // carried as it is
    EXPECT_TRUE(wide);
    EXPECT_EQ(*values.Find("Dir", &wide), "C:\\Temp");  // a wide key is read as 8-bit
    EXPECT_FALSE(wide);

    values.Clear();
    store::DecodeArchive(Corpus("long-forms.dat"), version, values);
    EXPECT_EQ(*values.Find("K.Target"), std::string(255, 'v'));
    EXPECT_EQ(*values.Find("K.Args"), std::string(300, 'a'));
    EXPECT_EQ(*values.Find("k"), "");

    values.Clear();
    store::DecodeArchive(Corpus("duplicates.dat"), version, values);
    EXPECT_EQ(*values.Find("C.Target"), "second");
}
