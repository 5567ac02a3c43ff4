#include "platform/Decompress.h"

#include "platform/MappedFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <string>

namespace tarvix {
namespace {

// The text of a log, long enough to span several output blocks of each decoder.
std::string LogText()
{
    std::string text;
    for (int i = 0; text.size() < 3u << 20; ++i)
        text += "+ 07 Dec 21:0" + std::to_string(i % 10) + ":13 [" + std::to_string(i) + "] Session with 2:5030/" +
                std::to_string(i * 7919 % 10007) + "\r\n";
    return text;
}

// The text compressed as the command-line tools of each format write it.
std::string Compress(TCompression c, const std::string& in)
{
    std::string out(in.size() + 65536, '\0');
    if (c == TCompression::Gzip) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = static_cast<uInt>(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_FINISH);
        out.resize(z.total_out);
        deflateEnd(&z);
    } else if (c == TCompression::Xz) {
        std::size_t pos = 0;
        lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(in.data()), in.size(),
                                reinterpret_cast<uint8_t*>(out.data()), &pos, out.size());
        out.resize(pos);
    } else if (c == TCompression::Zstd) {
        out.resize(ZSTD_compress(out.data(), out.size(), in.data(), in.size(), 3));
    } else {
        unsigned size = static_cast<unsigned>(out.size());
        BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(in.data()), static_cast<unsigned>(in.size()), 1,
                                 0, 0);
        out.resize(size);
    }
    return out;
}

class DecompressTest : public ::testing::TestWithParam<TCompression> {};

TEST_P(DecompressTest, ReadsWholeAndConcatenatedDataAndNamesDamagedData)
{
    const TCompression c = GetParam();
    const std::string text = LogText();
    const std::string packed = Compress(c, text);
    ASSERT_EQ(CompressionOf(packed), c);
    EXPECT_EQ(Decompress(packed, c, "log"), text);
    // Parts one after another (logrotate's delaycompress and a second run, pbzip2).
    EXPECT_EQ(Decompress(packed + packed, c, "log"), text + text);

    // Cut short anywhere, or with a byte changed inside, it is damaged, and says so.
    std::string flipped = packed;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    for (const std::string& bad : {packed.substr(0, packed.size() / 2), packed.substr(0, packed.size() - 1), flipped}) {
        try {
            const std::string got = Decompress(bad, c, "t.log.x");
            ADD_FAILURE() << "damaged data read as " << got.size() << " bytes";
        } catch (const EReadError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("t.log.x: damaged ") + CompressionName(c) + " data");
        }
    }

    // A mapped compressed file shows its content and never counts as changed.
    test::TempDir dir;
    TMappedFile file(dir.Write("rotated.1", packed));
    EXPECT_EQ(file.Compression(), c);
    EXPECT_EQ(file.View(), text);
    EXPECT_FALSE(file.Changed());
}

INSTANTIATE_TEST_SUITE_P(Formats, DecompressTest,
                         ::testing::Values(TCompression::Gzip, TCompression::Xz, TCompression::Zstd,
                                           TCompression::Bzip2),
                         [](const auto& info) { return std::string(CompressionName(info.param)); });

TEST(DecompressTest, TextStaysTextAndBinaryDataIsNoText)
{
    // Lines that begin like a magic number are still text.
    EXPECT_EQ(CompressionOf("BZh9 and more text\r\n"), TCompression::None);
    EXPECT_EQ(CompressionOf("\x1f"), TCompression::None);
    EXPECT_TRUE(LooksLikeText(LogText()));
    EXPECT_TRUE(LooksLikeText(std::string(1, '\0') + "a log with a stray zero byte and \x1b[1m escapes\x1a"));
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(i * 37 % 256);
    EXPECT_FALSE(LooksLikeText(binary));
    EXPECT_FALSE(LooksLikeText(std::string(100, '\0')));
}

}  // namespace
}  // namespace tarvix
