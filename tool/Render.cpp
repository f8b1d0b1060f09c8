// Render.cpp - the colour strip as a PNG picture.
#include "tool/Render.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>
#include <new>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "colormap/ColumnMapping.h"

#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace rulv::tool {

namespace {

constexpr int kChannels = 3;  // red, green, blue

// One side of a size: decimal digits only, no sign, at least one.
bool ParseSide(std::string_view text, std::int32_t& side) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    return error == std::errc() && end == text.data() + text.size() && side > 0;
}

struct TFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TFilePointer = std::unique_ptr<std::FILE, TFileCloser>;

TFilePointer CreateOutputFile(const std::filesystem::path& name) {
#ifdef _WIN32
    return TFilePointer(::_wfopen(name.c_str(), L"wb"));
#else
    return TFilePointer(std::fopen(name.c_str(), "wb"));
#endif
}

// A name beside `output` that no other run is likely to pick.
std::filesystem::path TemporaryName(const std::filesystem::path& output) {
    std::random_device random;
    std::filesystem::path name = output;
    name += ".rulvtool-" + std::to_string(random()) + ".tmp";
    return name;
}

std::string ErrorText(int error) { return std::generic_category().message(error); }

// Where the PNG writer's pieces go: a file, or standard output; keeps the
// first write failure.
struct TWriteContext {
    std::FILE* File;
    TToolStreams* Streams;
    int Error;
};

void WritePiece(void* context, void* data, int size) {
    auto& target = *static_cast<TWriteContext*>(context);
    if (target.Error != 0 || size <= 0) return;
    const auto count = static_cast<std::size_t>(size);
    if (target.Streams != nullptr) {
        // Standard output's failures show when it is flushed at the end.
        target.Streams->OutBinary(std::string_view(static_cast<const char*>(data), count));
    } else if (std::fwrite(data, 1, count, target.File) != count) {
        target.Error = errno != 0 ? errno : EIO;
    }
}

// Encodes the picture into `context`; 0 or the error number of the failure.
int EncodePng(TWriteContext& context, const std::vector<std::uint8_t>& pixels, TStripSize size) {
    if (!stbi_write_png_to_func(WritePiece, &context, size.Width, size.Height, kChannels, pixels.data(),
                                size.Width * kChannels)) {
        return context.Error != 0 ? context.Error : ENOMEM;  // the writer's own buffers failed
    }
    return context.Error;
}

// Writes the PNG into the file `name` (created, or truncated; a device or a
// FIFO is written as it is); 0 or the error number of the failure.
int WritePng(const std::filesystem::path& name, const std::vector<std::uint8_t>& pixels, TStripSize size) {
    errno = 0;
    TFilePointer file = CreateOutputFile(name);
    if (!file) return errno != 0 ? errno : EIO;
    TWriteContext context{file.get(), nullptr, 0};
    if (const int error = EncodePng(context, pixels, size); error != 0) return error;
    if (std::fflush(file.get()) != 0) return errno != 0 ? errno : EIO;
    if (std::fclose(file.release()) != 0) return errno != 0 ? errno : EIO;
    return 0;
}

// How the picture reaches the output the user named.
enum class TOutputRoute {
    StandardOutput,    // "-"
    Direct,            // a device or a FIFO: written as it is, never replaced
    ThroughTemporary,  // a regular file or a new name: written aside, then renamed
};

TOutputRoute RouteOf(const TArgument& output) {
    if (output.Text == "-") return TOutputRoute::StandardOutput;
#ifdef _WIN32
    // Devices (NUL, CON, COM1) and pipes open as something else than a disk file.
    const HANDLE handle = ::CreateFileW(output.Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return TOutputRoute::ThroughTemporary;
    const DWORD type = ::GetFileType(handle);
    ::CloseHandle(handle);
    return type == FILE_TYPE_DISK ? TOutputRoute::ThroughTemporary : TOutputRoute::Direct;
#else
    struct stat info {};
    if (::stat(output.Path.c_str(), &info) != 0) return TOutputRoute::ThroughTemporary;  // a new name
    return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode) ? TOutputRoute::ThroughTemporary : TOutputRoute::Direct;
#endif
}

// A regular file is replaced only once all of the picture is written, so
// that a failure leaves it as it was and no half picture behind.
int WriteThroughTemporary(const std::filesystem::path& output, const std::vector<std::uint8_t>& pixels,
                          TStripSize size, std::string& failure) {
    const std::filesystem::path temporary = TemporaryName(output);
    int error = 0;
    try {
        error = WritePng(temporary, pixels, size);
    } catch (const std::bad_alloc&) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
    std::error_code renamed;
    if (error == 0) std::filesystem::rename(temporary, output, renamed);
    if (error == 0 && !renamed) return kExitOk;
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    // ENOMEM: the writer's own buffers failed.
    failure = error != 0 ? ErrorText(error) : renamed.message();
    return kExitTrouble;
}


}  // namespace

bool ParseStripSize(std::string_view text, TStripSize& size) {
    const std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) return false;
    TStripSize parsed{};
    if (!ParseSide(text.substr(0, cross), parsed.Width) || !ParseSide(text.substr(cross + 1), parsed.Height)) {
        return false;
    }
    if (static_cast<std::int64_t>(parsed.Width) * parsed.Height > kMaxStripPixels) return false;
    size = parsed;
    return true;
}

bool ParseVisionView(std::string_view text, TVisionView& view) {
    for (const TVisionView candidate : kVisionViews) {
        if (text == VisionViewName(candidate)) {
            view = candidate;
            return true;
        }
    }
    return false;
}

std::vector<std::uint8_t> StripPixels(const TPaletteArray& colors, TStripSize size, TVisionView view) {
    const std::vector<TPackedColor> columns = StripColumnColors(colors, size.Width, view);
    const auto rowLength = static_cast<std::size_t>(size.Width) * kChannels;
    std::vector<std::uint8_t> pixels(rowLength * static_cast<std::size_t>(size.Height));
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const TPackedColor color = columns[x];
        std::uint8_t* pixel = pixels.data() + x * kChannels;
        pixel[0] = static_cast<std::uint8_t>(RedOf(color));
        pixel[1] = static_cast<std::uint8_t>(GreenOf(color));
        pixel[2] = static_cast<std::uint8_t>(BlueOf(color));
    }
    // Every row is the first one.
    for (std::int32_t y = 1; y < size.Height; ++y) {
        std::copy_n(pixels.begin(), rowLength, pixels.begin() + static_cast<std::ptrdiff_t>(rowLength * y));
    }
    return pixels;
}

int RenderStrip(const TRenderRequest& request, TToolStreams& streams) {
    TPaletteArray colors;
    const TLoadOutcome outcome = LoadForTool(request.File, colors, streams);
    if (outcome.Status != kExitOk) {
        streams.Err(outcome.Message);
        return outcome.Status;
    }
    std::vector<std::uint8_t> pixels;
    try {
        pixels = StripPixels(colors, request.Size, request.View);
    } catch (const std::bad_alloc&) {
        streams.Err(request.Output->Text + ": not enough memory for a picture of this size\n");
        return kExitTrouble;
    }
    std::string failure;
    switch (RouteOf(*request.Output)) {
    case TOutputRoute::StandardOutput: {
        TWriteContext context{nullptr, &streams, 0};
        if (const int error = EncodePng(context, pixels, request.Size); error != 0) failure = ErrorText(error);
        break;
    }
    case TOutputRoute::Direct:
        if (const int error = WritePng(request.Output->Path, pixels, request.Size); error != 0) {
            failure = ErrorText(error);
        }
        break;
    case TOutputRoute::ThroughTemporary:
        WriteThroughTemporary(request.Output->Path, pixels, request.Size, failure);
        break;
    }
    if (failure.empty()) return kExitOk;
    // The output as the user named it, never the temporary.
    streams.Err(request.Output->Text + ": " + failure + "\n");
    return kExitTrouble;
}

}  // namespace rulv::tool
