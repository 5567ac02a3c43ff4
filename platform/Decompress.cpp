#include "platform/Decompress.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <climits>

namespace tarvix {

namespace {

constexpr std::size_t kChunk = 1 << 20;

[[noreturn]] void Damaged(const std::string& name, TCompression c)
{
    throw EReadError(name + ": damaged " + CompressionName(c) + " data");
}

// Each library takes at most UINT_MAX bytes in one call: the input is fed in slices.
unsigned Slice(std::size_t left) { return static_cast<unsigned>(std::min<std::size_t>(left, UINT_MAX)); }

std::string Gunzip(std::string_view in, const std::string& name)
{
    std::string out;
    std::size_t at = 0;
    // A .gz file may hold several members one after another: each is a stream.
    while (at < in.size()) {
        z_stream z{};
        if (inflateInit2(&z, 15 + 16) != Z_OK)
            throw std::bad_alloc();
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0) {
                if (at >= in.size())
                    break;
                z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + at));
                z.avail_in = Slice(in.size() - at);
                at += z.avail_in;
            }
            const std::size_t had = out.size();
            out.resize(had + kChunk);
            z.next_out = reinterpret_cast<Bytef*>(out.data() + had);
            z.avail_out = kChunk;
            rc = inflate(&z, Z_NO_FLUSH);
            out.resize(had + kChunk - z.avail_out);
            if (rc != Z_OK && rc != Z_STREAM_END)
                break;
        }
        at -= z.avail_in;  // what follows the member
        inflateEnd(&z);
        if (rc != Z_STREAM_END)
            Damaged(name, TCompression::Gzip);
        // Zero bytes after the last member (padding of some writers) end the data.
        if (std::all_of(in.begin() + static_cast<std::ptrdiff_t>(at), in.end(), [](char b) { return b == 0; }))
            break;
    }
    return out;
}

std::string Unxz(std::string_view in, const std::string& name)
{
    std::string out;
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&s, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK)
        throw std::bad_alloc();
    s.next_in = reinterpret_cast<const uint8_t*>(in.data());
    s.avail_in = in.size();
    lzma_ret rc = LZMA_OK;
    while (rc == LZMA_OK) {
        const std::size_t had = out.size();
        out.resize(had + kChunk);
        s.next_out = reinterpret_cast<uint8_t*>(out.data() + had);
        s.avail_out = kChunk;
        rc = lzma_code(&s, s.avail_in == 0 ? LZMA_FINISH : LZMA_RUN);
        out.resize(had + kChunk - s.avail_out);
    }
    lzma_end(&s);
    if (rc == LZMA_MEM_ERROR)
        throw std::bad_alloc();
    if (rc != LZMA_STREAM_END)
        Damaged(name, TCompression::Xz);
    return out;
}

std::string Unzstd(std::string_view in, const std::string& name)
{
    std::string out;
    ZSTD_DCtx* ctx = ZSTD_createDCtx();
    if (!ctx)
        throw std::bad_alloc();
    ZSTD_inBuffer input{in.data(), in.size(), 0};
    std::size_t rc = 0;
    // Frames follow one another; rc is 0 where a frame ends.
    while (input.pos < input.size) {
        const std::size_t had = out.size();
        out.resize(had + kChunk);
        ZSTD_outBuffer output{out.data() + had, kChunk, 0};
        rc = ZSTD_decompressStream(ctx, &output, &input);
        out.resize(had + output.pos);
        if (ZSTD_isError(rc))
            break;
    }
    // The last frame may still hold output when its input is all taken.
    while (!ZSTD_isError(rc) && rc != 0) {
        const std::size_t had = out.size();
        out.resize(had + kChunk);
        ZSTD_outBuffer output{out.data() + had, kChunk, 0};
        rc = ZSTD_decompressStream(ctx, &output, &input);
        out.resize(had + output.pos);
        if (output.pos == 0 && !ZSTD_isError(rc) && rc != 0) {
            rc = static_cast<std::size_t>(-1);  // wants input that is not there: cut short
            break;
        }
    }
    ZSTD_freeDCtx(ctx);
    if (rc != 0)
        Damaged(name, TCompression::Zstd);
    return out;
}

std::string Bunzip2(std::string_view in, const std::string& name)
{
    std::string out;
    std::size_t at = 0;
    // Several streams may follow one another (pbzip2 writes such files).
    while (at < in.size()) {
        bz_stream b{};
        if (BZ2_bzDecompressInit(&b, 0, 0) != BZ_OK)
            throw std::bad_alloc();
        int rc = BZ_OK;
        while (rc == BZ_OK) {
            if (b.avail_in == 0) {
                if (at >= in.size())
                    break;
                b.next_in = const_cast<char*>(in.data() + at);
                b.avail_in = Slice(in.size() - at);
                at += b.avail_in;
            }
            const std::size_t had = out.size();
            out.resize(had + kChunk);
            b.next_out = out.data() + had;
            b.avail_out = kChunk;
            rc = BZ2_bzDecompress(&b);
            out.resize(had + kChunk - b.avail_out);
        }
        at -= b.avail_in;
        BZ2_bzDecompressEnd(&b);
        if (rc == BZ_MEM_ERROR)
            throw std::bad_alloc();
        if (rc != BZ_STREAM_END)
            Damaged(name, TCompression::Bzip2);
    }
    return out;
}

}  // namespace

TCompression CompressionOf(std::string_view head)
{
    if (head.starts_with("\x1f\x8b"))
        return TCompression::Gzip;
    if (head.starts_with(std::string_view("\xfd" "7zXZ\0", 6)))
        return TCompression::Xz;
    if (head.starts_with("\x28\xb5\x2f\xfd"))
        return TCompression::Zstd;
    // "BZh", a block size digit, and the magic of the first block (or of the end of
    // an empty stream): a text line starting with "BZh9" stays a text.
    if (head.size() >= 10 && head.starts_with("BZh") && head[3] >= '1' && head[3] <= '9' &&
        (head.substr(4, 6) == "\x31\x41\x59\x26\x53\x59" || head.substr(4, 6) == "\x17\x72\x45\x38\x50\x90"))
        return TCompression::Bzip2;
    return TCompression::None;
}

const char* CompressionName(TCompression c)
{
    switch (c) {
    case TCompression::Gzip: return "gzip";
    case TCompression::Xz: return "xz";
    case TCompression::Zstd: return "zstd";
    case TCompression::Bzip2: return "bzip2";
    case TCompression::None: break;
    }
    return "";
}

std::string Decompress(std::string_view data, TCompression c, const std::string& name)
{
    switch (c) {
    case TCompression::Gzip: return Gunzip(data, name);
    case TCompression::Xz: return Unxz(data, name);
    case TCompression::Zstd: return Unzstd(data, name);
    case TCompression::Bzip2: return Bunzip2(data, name);
    case TCompression::None: break;
    }
    return std::string(data);
}

bool LooksLikeText(std::string_view head)
{
    head = head.substr(0, 64 * 1024);
    std::size_t controls = 0;
    for (char ch : head) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != 0x1b && b != 0x1a)
            ++controls;
    }
    // Old DOS mailers put the odd box or arrow character (below 0x20 in CP437) into a
    // log, and a crash may leave a few zero bytes; a binary file has them everywhere.
    return controls * 20 <= head.size();
}

}  // namespace tarvix
