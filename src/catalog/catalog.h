// The model catalogue and the serial-setting tables. Every lookup is by a
// 0-based position in one of the settings page's fixed lists.
#pragma once

constexpr int kModelCount = 23;

extern const char* const g_modelNames[kModelCount];
extern const char* const g_gpdNames[kModelCount];
extern const char* const g_dllNames[kModelCount];

// Rows 5 to 8 and 13 to 20 ship the maker's Unidrv plug-in with the driver.
bool ModelHasPlugin(int row);

constexpr int kPortValueCount = 7;
constexpr int kBaudRateCount = 9;
constexpr int kDataBitsCount = 4;
constexpr int kStopBitsCount = 3;
constexpr int kParityCount = 5;
constexpr int kFlowCount = 3;

// Positions 3 and above of the port list are COM ports.
constexpr int kFirstComPortPos = 3;

extern const char* const g_portValueNames[kPortValueCount];
extern const char* const g_baudRates[kBaudRateCount];
extern const char* const g_dataBits[kDataBitsCount];
extern const char* const g_stopBits[kStopBitsCount];
extern const char* const g_parityLetters[kParityCount];
extern const char* const g_flowLetters[kFlowCount];

// Bounds check shared by every caller that indexes a table with a position
// read from a control.
inline bool InTable(int pos, int count) {
    return pos >= 0 && pos < count;
}
