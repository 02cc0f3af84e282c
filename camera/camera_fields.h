#pragma once

#include "camera/camera_set.h"

#include <array>
#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>

// The camera file's fields in file order: the one list that the reader follows and the CLI's JSON
// names. A record member may be read in several parts (a range of its numbers each); its first part
// (from 0) stands for the whole member where the member is named once.

// When a number is read but the field keeps its value.
enum class KeptWhen { Never, SwitchingCamera, NotFull, Always };

// How many numbers a member holds, and number i of it, counting arrays row by row and a block's
// floats before its integers.
template <class T>
struct FieldShape {
    static constexpr std::size_t count = 1;
    static constexpr bool nested = false;
    template <class V, class F>
    static void at(V& v, std::size_t, F&& f) {
        f(v);
    }
};
template <class T, std::size_t N>
struct FieldShape<std::array<T, N>> {
    static constexpr std::size_t count = N;
    static constexpr bool nested = false;
    template <class A, class F>
    static void at(A& v, std::size_t i, F&& f) {
        f(v[i]);
    }
};
template <class T, std::size_t M, std::size_t N>
struct FieldShape<std::array<std::array<T, M>, N>> {
    static constexpr std::size_t count = N * M;
    static constexpr std::size_t rowLength = M;
    static constexpr bool nested = true;
    template <class A, class F>
    static void at(A& v, std::size_t i, F&& f) {
        f(v[i / M][i % M]);
    }
};
template <>
struct FieldShape<CameraBlock> {
    static constexpr std::size_t count =
        std::tuple_size_v<decltype(CameraBlock::floats)> + std::tuple_size_v<decltype(CameraBlock::ints)>;
    static constexpr bool nested = false;
    template <class B, class F>
    static void at(B& v, std::size_t i, F&& f) {
        constexpr std::size_t floats = std::tuple_size_v<decltype(CameraBlock::floats)>;
        if (i < floats)
            f(v.floats[i]);
        else
            f(v.ints[i - floats]);
    }
};

// Numbers [from, to) of a record member. Number i is named name[i - labelShift], a nested array's
// name[row][column], a plain number by its name alone.
template <class T>
struct SetField {
    const char* name;
    T CameraSet::*member;
    KeptWhen kept = KeptWhen::Never;
    std::size_t from = 0;
    std::size_t to = FieldShape<T>::count;
    std::size_t labelShift = 0;

    std::string label(std::size_t i) const {
        if constexpr (FieldShape<T>::nested)
            return std::string(name) + "[" + std::to_string(i / FieldShape<T>::rowLength) + "][" +
                   std::to_string(i % FieldShape<T>::rowLength) + "]";
        else if constexpr (FieldShape<T>::count == 1)
            return name;
        else
            return std::string(name) + "[" + std::to_string(i - labelShift) + "]";
    }
};

// A number kept beside the record.
template <class T>
struct StateField {
    const char* name;
    T CameraState::*member;
    KeptWhen kept = KeptWhen::Never;
};

// One of the stored tables: a point count, then that many x y pairs.
struct TableField {
    const char* name;
    PointList CameraTables::*member;
};

// A whole line: the description lines, a line the reader passes over, and the target's name.
enum class LineField { Description, Skipped, TargetName };

namespace camera_fields_detail {
using enum KeptWhen;
using C = CameraSet;
using S = CameraState;
using Tb = CameraTables;
constexpr std::size_t blockFloats = std::tuple_size_v<decltype(CameraBlock::floats)>;
constexpr std::size_t blockNumbers = FieldShape<CameraBlock>::count;

template <class T>
constexpr SetField<T> set(const char* name, T CameraSet::*member, KeptWhen kept = KeptWhen::Never) {
    return {name, member, kept};
}
template <class T>
constexpr SetField<T> setPart(const char* name, T CameraSet::*member, std::size_t from, std::size_t to,
                              KeptWhen kept = KeptWhen::Never, std::size_t labelShift = 0) {
    return {name, member, kept, from, to, labelShift};
}
template <class T>
constexpr StateField<T> outer(const char* name, T CameraState::*member, KeptWhen kept = KeptWhen::Never) {
    return {name, member, kept};
}
constexpr TableField table(const char* name, PointList CameraTables::*member) {
    return {name, member};
}

inline constexpr auto cameraFileFields = std::tuple{
    LineField::Description,
    LineField::Description,
    set("tempMin", &C::tempMin),
    set("tempMax", &C::tempMax),
    LineField::Skipped,
    set("contrastMin", &C::contrastMin),
    set("contrastMax", &C::contrastMax),
    LineField::Skipped,
    set("levelMin", &C::levelMin),
    set("levelMax", &C::levelMax),
    LineField::Skipped,

    set("netd", &C::netd),
    set("fovCurrentH", &C::fovCurrentH),
    set("fovCurrentV", &C::fovCurrentV),
    set("reserved1", &C::reserved1),
    set("reserved2", &C::reserved2),
    set("reserved5", &C::reserved5),
    set("reserved6", &C::reserved6),
    set("atmCoefficient", &C::atmCoefficient, SwitchingCamera),
    set("sensorWidth", &C::sensorWidth),
    set("sensorHeight", &C::sensorHeight),
    set("reserved10", &C::reserved10),
    set("polarity", &C::polarity),
    set("electronicZoom", &C::electronicZoom),
    set("opticalZoom", &C::opticalZoom),
    set("reserved3", &C::reserved3),
    set("reserved4", &C::reserved4),
    set("reserved14", &C::reserved14),
    set("backgroundColour", &C::backgroundColour),
    set("longWave", &C::longWave),
    set("reserved7", &C::reserved7),
    set("tm", &C::tm),

    table("mrtdWideH", &Tb::mrtdWideH),
    table("spectralResponse0", &Tb::spectralResponse0),
    set("fovTable", &C::fovTable),
    set("threeFields", &C::threeFields),
    set("frameRate", &C::frameRate),
    set("atmTemperature", &C::atmTemperature, SwitchingCamera),
    outer("hBlurWidth", &S::hBlurWidth),
    set("hBlurMode", &C::hBlurMode),
    set("netdMode", &C::netdMode),

    table("mrtdWideV", &Tb::mrtdWideV),
    outer("vBlurWidth", &S::vBlurWidth),
    set("vBlurMode", &C::vBlurMode),
    // Every load starts the scene at 0 °C.
    set("backgroundTemperature", &C::backgroundTemperature, Always),
    set("fovIndex", &C::fovIndex),

    table("mrtdNarrowH", &Tb::mrtdNarrowH),
    table("mrtdNarrowV", &Tb::mrtdNarrowV),
    set("textColour", &C::textColour),
    set("defectGlobal1", &C::defectGlobal1),
    set("defectLocal1", &C::defectLocal1),
    set("defectGlobal2", &C::defectGlobal2),
    set("defectLocal2", &C::defectLocal2),
    set("deadPixels1", &C::deadPixels1),
    set("deadPixels2", &C::deadPixels2),
    set("centralZone", &C::centralZone),
    set("reserved8", &C::reserved8),
    table("spectralResponse1", &Tb::spectralResponse1),
    table("reservedTable1", &Tb::reservedTable1),
    table("reservedTable2", &Tb::reservedTable2),
    table("reservedTable3", &Tb::reservedTable3),
    table("reservedTable4", &Tb::reservedTable4),
    set("reserved9", &C::reserved9),
    set("reserved11", &C::reserved11),

    set("altOptics", &C::altOptics),
    set("keepElectronicZoom", &C::keepElectronicZoom),
    setPart("reserved15", &C::reserved15, 0, 3),
    set("matrixDetector", &C::matrixDetector),
    set("doubleColumns", &C::doubleColumns),
    set("detectorColumns", &C::detectorColumns),
    set("detectorRows", &C::detectorRows),
    set("doubleBoth", &C::doubleBoth),
    set("doubleRows", &C::doubleRows),
    set("scanLines", &C::scanLines),
    set("flickerAmplitude", &C::flickerAmplitude),
    set("flickerProbability", &C::flickerProbability),
    setPart("reserved15", &C::reserved15, 3, 5),

    set("blurWidthWide", &C::blurWidthWide),
    set("blurWidthAlt", &C::blurWidthAlt),
    set("blurWidthMedium", &C::blurWidthMedium),
    set("blurWidthNarrow", &C::blurWidthNarrow),
    set("reserved16", &C::reserved16),
    set("reserved17", &C::reserved17),
    set("blurFlag", &C::blurFlag),
    set("reserved18", &C::reserved18),
    set("frameNoise", &C::frameNoise),
    set("spectralResponseIndex", &C::spectralResponseIndex),
    set("viewMargin", &C::viewMargin),
    set("blurParam", &C::blurParam),
    set("jitterAmplitude", &C::jitterAmplitude),
    set("jitterProbability", &C::jitterProbability),
    set("reserved19", &C::reserved19),

    set("blurDivisors", &C::blurDivisors),
    set("blurDivisorSet", &C::blurDivisorSet),
    set("reserved22", &C::reserved22),
    table("mrtdMediumH", &Tb::mrtdMediumH),
    table("mrtdAltH", &Tb::mrtdAltH),

    set("reserved20", &C::reserved20, NotFull),
    set("interlaceShift", &C::interlaceShift),
    set("reserved21", &C::reserved21),
    set("reserved23", &C::reserved23, SwitchingCamera),
    LineField::Skipped,
    LineField::TargetName,

    set("reserved24", &C::reserved24),
    set("reserved25", &C::reserved25),
    // The two blocks name their integers from 0 again, the blur block goes on counting.
    setPart("blockA", &C::blockA, 0, blockFloats),
    setPart("blockA", &C::blockA, blockFloats, blockNumbers, Never, blockFloats),
    setPart("blockB", &C::blockB, 0, blockFloats),
    setPart("blockB", &C::blockB, blockFloats, blockNumbers, Never, blockFloats),
    setPart("blurBlock", &C::blurBlock, 0, blockFloats + 1),
    setPart("blurBlock", &C::blurBlock, blockFloats + 1, blockNumbers, SwitchingCamera),
    set("atmosphereIndex", &C::atmosphereIndex, SwitchingCamera),
    set("reserved26", &C::reserved26, SwitchingCamera),
    set("reserved12", &C::reserved12, SwitchingCamera),
    set("reserved13", &C::reserved13, SwitchingCamera),
    outer("reservedOuterInt", &S::reservedOuterInt, SwitchingCamera),
    // The file holds this number twice; the second one counts.
    outer("reservedOuterFloat", &S::reservedOuterFloat, SwitchingCamera),
    outer("reservedOuterFloat", &S::reservedOuterFloat, SwitchingCamera),
    set("reserved27", &C::reserved27),
    set("noiseOption", &C::noiseOption),
};
} // namespace camera_fields_detail

using camera_fields_detail::cameraFileFields;

// Calls visit(field) for every entry of the list, in file order.
template <class Visitor>
void forEachCameraFileField(Visitor&& visit) {
    std::apply([&](const auto&... field) { (visit(field), ...); }, cameraFileFields);
}

// Calls f(i, number) for numbers i in [field.from, field.to) of the field's member of the record.
template <class Set, class T, class F>
void forEachNumber(Set& set, const SetField<T>& field, F&& f) {
    for (std::size_t i = field.from; i < field.to; ++i)
        FieldShape<T>::at(set.*(field.member), i, [&](auto& number) { f(i, number); });
}
