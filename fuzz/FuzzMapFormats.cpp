// FuzzMapFormats.cpp - libFuzzer target over the readers of the exchange
// formats and the shortest .rulv writer.
//
// The first byte of an input picks the reader (its value modulo the number
// of readable formats other than .rulv: cpt, json, xml, jscm, gpl, act,
// txt, csv); the rest is the file. A reader may only return a map or raise
// EMapFault (or EOutOfMemory); a fault must have a line and a column from 1
// and a reason. A map read without fault is sampled as convert samples it
// by default, written as the shortest .rulv, and read back by the .rulv
// reader: the colours must come back the same (the writer checks that
// itself and raises ERulvWriterBug otherwise, which is a finding), and with
// a comma as the decimal separator too, which the slopes must not need.
//
// Lists longer than kMaxFuzzColors are cut: a fuzzer learns from many
// small inputs.
//
// The same function replays the corpus and the regression inputs in the
// normal builds (FuzzReplay.cpp), natively and under Wine.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "colormap/formats/MapFiles.h"
#include "colormap/formats/RulvWriter.h"
#include "common/Errors.h"

namespace {

using namespace rulv;

constexpr std::size_t kMaxFuzzColors = 2048;

constexpr TMapFormat kReaders[] = {TMapFormat::Cpt,         TMapFormat::ParaViewJson, TMapFormat::ParaViewXml,
                                   TMapFormat::Jscm,        TMapFormat::GimpPalette,  TMapFormat::AdobeTable,
                                   TMapFormat::Text,        TMapFormat::Csv};

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "formats fuzzer: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    const TMapFormat format = kReaders[bytes[0] % (sizeof kReaders / sizeof kReaders[0])];
    const std::string_view data(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    TMapSource source;
    try {
        source = ReadMapBytes(data, format, TReadOptions{});
    } catch (const EMapFault& fault) {
        if (fault.Fault().Line < 1 || fault.Fault().Column < 1) Finding("a fault outside the file");
        if (fault.Fault().Reason.empty()) Finding("a fault without a reason");
        return 0;
    } catch (const EOutOfMemory&) {
        return 0;
    }
    if (!source.IsNodes() && source.Colors.empty()) return 0;
    if (source.Colors.size() > kMaxFuzzColors) source.Colors.resize(kMaxFuzzColors);
    const TPaletteArray colors = SampleMap(source, TSampling{});
    TRulvText text;
    try {
        text = WriteRulv(colors, "fuzz");
    } catch (const ERulvWriterBug&) {
        Finding("the shortest .rulv text does not read back as the map");
    }
    TMemoryInput input(text.Text);
    TPaletteArray back;
    if (ReadColorMap(input, back, ',') != kColorMapLoaded || back != colors) {
        Finding("the .rulv text needs the full stop as its decimal separator");
    }
    if (text.Lines > static_cast<std::int64_t>((colors.size() + 1) / 2)) Finding("more lines than half the colours");
    return 0;
}
