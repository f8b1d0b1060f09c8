// MapFiles.cpp - the readers and writers by format.
#include "colormap/formats/MapFiles.h"

#include <algorithm>
#include <limits>
#include <new>

#include "colormap/formats/CptFormat.h"
#include "colormap/formats/ListFormats.h"
#include "colormap/formats/ParaViewFormat.h"
#include "colormap/formats/RulvWriter.h"
#include "colormap/formats/WebFormats.h"
#include "common/Errors.h"

namespace rulv {

namespace {

TMapSource ReadRulvBytes(std::string_view bytes, char decimalSeparator) {
    TMemoryInput input(bytes);
    TMapSource source;
    TColorMapReport report;
    const ColorMapResult result = ReadColorMap(input, source.Colors, decimalSeparator, &report);
    if (result > 0) {
        const std::int64_t column = report.Fault ? report.Fault->Column : 1;
        throw EMapFault({result, column, report.Fault ? LineFaultReason(*report.Fault) : "faulty line"});
    }
    return source;
}

}  // namespace

TMapSource ReadMapBytes(std::string_view bytes, TMapFormat format, const TReadOptions& options) {
    try {
        switch (format) {
        case TMapFormat::Rulv: return ReadRulvBytes(bytes, options.DecimalSeparator);
        case TMapFormat::Cpt: return ReadCpt(bytes);
        case TMapFormat::ParaViewJson: return ReadParaViewJson(bytes, options.Name);
        case TMapFormat::ParaViewXml: return ReadParaViewXml(bytes, options.Name);
        case TMapFormat::Jscm: return ReadJscm(bytes);
        case TMapFormat::GimpPalette: return ReadGimpPalette(bytes);
        case TMapFormat::AdobeTable: return ReadAdobeTable(bytes);
        case TMapFormat::Text:
        case TMapFormat::Csv: return ReadTextTable(bytes, options.Scale);
        case TMapFormat::Hex:
        case TMapFormat::Css:
        case TMapFormat::Svg: break;
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    throw EMapFault({1, 1, std::string(MapFormatName(format)) + " files are written, not read"});
}

std::string WriteMapBytes(const TPaletteArray& colors, TMapFormat format, const TWriteOptions& options) {
    try {
        switch (format) {
        case TMapFormat::Rulv: return WriteRulv(colors, options.Comment).Text;
        case TMapFormat::Cpt: return WriteCpt(colors, options.Comment);
        case TMapFormat::ParaViewJson: return WriteParaViewJson(colors, options.Name);
        case TMapFormat::ParaViewXml: return WriteParaViewXml(colors, options.Name);
        case TMapFormat::Jscm: return WriteJscm(colors, options.Name);
        case TMapFormat::GimpPalette: return WriteGimpPalette(colors, options.Name, options.Comment);
        case TMapFormat::AdobeTable: return WriteAdobeTable(colors);
        case TMapFormat::Text: return WriteTextTable(colors, ' ');
        case TMapFormat::Csv: return WriteTextTable(colors, ',');
        case TMapFormat::Hex: return WriteHexList(colors);
        case TMapFormat::Css: return WriteCssGradient(colors, options.Comment);
        case TMapFormat::Svg: return WriteSvgGradient(colors, options.Comment);
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    return {};
}

std::string ReadAllBytes(TByteSource& source, std::size_t limit) {
    std::string bytes;
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    try {
        for (;;) {
            const std::size_t at = bytes.size();
            if (at > limit) throw EInOutError(0, "the file is larger than 1 GiB");
            bytes.resize(at + kPiece);
            const std::size_t read = source.Read(bytes.data() + at, kPiece);
            bytes.resize(at + read);
            if (read == 0) return bytes;
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

ColorMapResult LoadExchangeFile(const std::filesystem::path& fileName, TMapFormat format, TPaletteArray& colors) {
    if (!FileExists(fileName)) return kColorMapMissing;
    std::string bytes;
    {
        TFileInput file(fileName, TFileKinds::DiskFilesOnly);
        bytes = ReadAllBytes(file, kLargestExchangeFile);
        file.Close();
    }
    try {
        const TMapSource source = ReadMapBytes(bytes, format, TReadOptions{});
        if (!source.IsNodes() && source.Colors.empty()) return kColorMapNoColors;
        TPaletteArray sampled = SampleMap(source, TSampling{});
        colors.swap(sampled);
        return kColorMapLoaded;
    } catch (const EMapFault& fault) {
        return static_cast<ColorMapResult>(std::min<std::int64_t>(fault.Fault().Line, std::numeric_limits<ColorMapResult>::max()));
    }
}

}  // namespace rulv
