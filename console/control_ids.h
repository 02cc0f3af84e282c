#pragma once

#include "console/mrtd_results.h"

#include <array>

// The console window's controls by id. Each widget's objectName is its id as decimal text, so that
// tests and assistive tools find the same control under the same name in every build.
namespace controlId {

inline constexpr int loadEditButton = 1;
inline constexpr int closeButton = 2;
inline constexpr int stepSlider = 1001;
inline constexpr int temperatureSlider = 1002;
inline constexpr int distanceEdit = 1003;
inline constexpr int polarityButton = 1015;
inline constexpr int modeOfWorkGroup = 1038;
inline constexpr int levelCaption = 1039;
inline constexpr int contrastCaption = 1040;
inline constexpr int opticalZoomCaption = 1041;
inline constexpr int atmTemperatureEdit = 1043;
inline constexpr int imageView = 1062;
inline constexpr int levelSlider = 1086;
inline constexpr int contrastSlider = 1087;
inline constexpr int fieldOfViewGroup = 1088;
inline constexpr int electronicZoomSlider = 1089;
inline constexpr int opticalZoomSlider = 1090;
inline constexpr int electronicZoomCaption = 1095;
inline constexpr int modeCheck = 1096;
inline constexpr int narrowRadio = 1097;
inline constexpr int mediumRadio = 1098;
inline constexpr int wideRadio = 1099;
inline constexpr int noiseCheck = 1109;
inline constexpr int atmCoefficientEdit = 1112;
inline constexpr int atmCoefficientCaption = 1113;
inline constexpr int atmTemperatureCaption = 1114;
inline constexpr int autosettingCheck = 1153;
inline constexpr int notRecognizedButton = 1155;
inline constexpr int applyButton = 1167;
inline constexpr int mrtdPlot = 1168;
inline constexpr int temperatureCaption = 1169;
inline constexpr int frequencyAxisCaption = 1170;
inline constexpr int targetsCaption = 1173;
inline constexpr int step02Radio = 1178;
inline constexpr int step01Radio = 1179;
inline constexpr int mrtdAxisCaption = 1183;
inline constexpr int benchCaption = 1189;
inline constexpr int viewValueCheck = 1190;
inline constexpr int randomiseCheck = 1191;
inline constexpr int saveTableButton = 1192;
// The session's controls: who is observing and which way the bars run. The widgets keep names of
// their own ("observerLabel", "observer", "verticalBars", "horizontalBars"); the ids place them.
inline constexpr int observerCaption = 1196;
inline constexpr int observerBox = 1197;
inline constexpr int verticalBarsRadio = 1198;
inline constexpr int horizontalBarsRadio = 1199;
// The Display group (the image's level, contrast, zoom and magnifier) and the camera's name and
// figures under the camera radios.
inline constexpr int displayGroup = 1200;
inline constexpr int automaticDisplayCheck = 1201;
inline constexpr int magnifierBox = 1202;
inline constexpr int magnifierCaption = 1203;
inline constexpr int cameraCaption = 1204;
inline constexpr int menuBar = 1205;
// "Blind": no value shown while the observer reads.
inline constexpr int blindCheck = 1206;
// The banner over the image while the session's file does not hold every reading.
inline constexpr int fileStatusBanner = 1207;
inline constexpr int helpButton = 57670;
// The target gallery's lists: the target files and the objects of the one chosen.
inline constexpr int objectList = 1022;
inline constexpr int targetFileList = 1023;

// The spatial-frequency radios from left to right ("0.5" ... "4"), in frequency-table order.
inline constexpr std::array<int, frequencyCount> frequencyRadios{1177, 1176, 1175, 1174, 1172, 1165};
// Camera1 ... Camera5: the slot radios and the slots' results lists.
inline constexpr std::array<int, cameraSlots> cameraRadios{1187, 1188, 1193, 1194, 1195};
inline constexpr std::array<int, cameraSlots> resultLists{1166, 1171, 1180, 1181, 1182};
// "Narrow", "Medium", "Wide".
inline constexpr std::array<int, 3> fieldOfViewRadios{narrowRadio, mediumRadio, wideRadio};
// The operator's controls, shown with "Mode on/off".
inline constexpr std::array<int, 9> operatorControls{autosettingCheck,   modeOfWorkGroup, fieldOfViewGroup,
                                                     opticalZoomCaption, narrowRadio,     mediumRadio,
                                                     wideRadio,          polarityButton,  opticalZoomSlider};
// Controls the window makes but never shows.
inline constexpr std::array<int, 12> neverShown{
    step01Radio,  step02Radio, stepSlider,         loadEditButton,        closeButton,        modeCheck,
    distanceEdit, noiseCheck,  atmTemperatureEdit, atmTemperatureCaption, atmCoefficientEdit, atmCoefficientCaption};

} // namespace controlId
