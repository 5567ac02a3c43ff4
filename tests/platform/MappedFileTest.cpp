#include "platform/MappedFile.h"

#include "platform/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix {
namespace {

struct TempDir : test::TempDir {
    std::string File(const std::string& name, const std::string& content) const { return Write(name, content); }
};

TEST(MappedFileTest, RefusesWhatIsNoReadableRegularFile)
{
    TempDir dir;
    EXPECT_THROW(TMappedFile((dir.path / "missing").string()), EFOpenError);
    EXPECT_THROW(TMappedFile(dir.path.string()), EFOpenError);
    // A FIFO nobody writes to is refused at once instead of waited on.
    std::string fifo = (dir.path / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(TMappedFile{fifo}, EFOpenError);
    if (::geteuid() != 0) {
        std::string secret = dir.File("secret", "x");
        ::chmod(secret.c_str(), 0);
        EXPECT_THROW(TMappedFile{secret}, EFOpenError);
    }
}

TEST(MappedFileTest, PagesGivenBackReadTheSameBytesAgain)
{
    TempDir dir;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::string content;
    for (std::size_t i = 0; i < page * 6 + 123; ++i)
        content += static_cast<char>('a' + i % 23);
    TMappedFile f(dir.File("log", content));
    ASSERT_EQ(f.View(), content);  // every page touched
    // Ranges that cut pages, reach past the end, are empty or reversed: only whole
    // pages inside go, and the bytes read as before.
    f.ReleasePages(10, page * 3 + 5);
    f.ReleasePages(page * 4, page * 100);
    f.ReleasePages(page * 2, page * 2);
    f.ReleasePages(page * 5, page);
    EXPECT_EQ(f.View(), content);
    f.ReleasePages(0, f.Size());
    EXPECT_EQ(f.View(), content);
    TMappedFile none;
    none.ReleasePages(0, 100);
    EXPECT_TRUE(none.Empty());
}

TEST(MappedFileTest, AFileCutShortWhileMappedReadsAsZeros)
{
    // A log rotated by truncation under the viewer: the pages past the new end
    // read as zero bytes instead of ending the program with a bus error.
    TempDir dir;
    const long page = ::sysconf(_SC_PAGESIZE);
    std::string content(static_cast<std::size_t>(page) * 5, 'x');
    std::string path = dir.File("log", content);
    TMappedFile f(path);
    TMappedFile other(dir.File("other", content));
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    EXPECT_EQ(f.Data()[50], 'x');
    EXPECT_EQ(f.Data()[page * 3 + 7], '\0');
    EXPECT_EQ(f.Data()[page * 2], '\0');
    EXPECT_EQ(f.Data()[f.Size() - 1], '\0');
    EXPECT_EQ(other.Data()[page * 4], 'x');
    // Growing again does not bring the old bytes back into the mapping.
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(static_cast<std::size_t>(page) * 5, 'y');
    EXPECT_EQ(f.Data()[page * 4], '\0');
    // The zero pages were seen: the file changed, though it is larger than mapped now.
    EXPECT_TRUE(f.Changed());
    EXPECT_FALSE(other.Changed());
}

TEST(MappedFileTest, ChangedSeesACutARewriteARemovalAndAReplacementButNotAnAppend)
{
    TempDir dir;
    const std::string content(10000, 'x');
    struct Case {
        const char* name;
        bool changed;
        void (*change)(const std::string& path);
    };
    const Case cases[] = {
        {"untouched", false, [](const std::string&) {}},
        {"appended", false, [](const std::string& p) { std::ofstream(p, std::ios::app) << "more\n"; }},
        {"cut", true, [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 10), 0); }},
        {"rewritten in place", true,
         [](const std::string& p) {
             struct timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), later, 0), 0);
         }},
        {"removed", true, [](const std::string& p) { std::filesystem::remove(p); }},
        {"rotated", true,
         [](const std::string& p) {
             std::filesystem::rename(p, p + ".1");
             std::ofstream(p) << std::string(20000, 'y');
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name, content);
        TMappedFile f(path);
        c.change(path);
        EXPECT_EQ(f.Changed(), c.changed);
    }
}

TEST(MappedFileTest, OtherBusErrorsStillEndTheProgram)
{
    // A mapping made elsewhere, read past the end of its shrunken file: not ours to
    // hide, so the program ends (rather than looping on the fault).
    TempDir dir;
    const long page = ::sysconf(_SC_PAGESIZE);
    std::string path = dir.File("log", std::string(static_cast<std::size_t>(page) * 3, 'x'));
    TMappedFile ours(path);  // the handler is in place
    EXPECT_DEATH(
        {
            int fd = ::open(path.c_str(), O_RDONLY);
            auto* p = static_cast<volatile const char*>(
                ::mmap(nullptr, static_cast<std::size_t>(page) * 3, PROT_READ, MAP_PRIVATE, fd, 0));
            (void)::truncate(path.c_str(), 10);
            volatile char c = p[page * 2];
            (void)c;
        },
        "");
}

}  // namespace
}  // namespace tarvix
