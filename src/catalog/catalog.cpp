#include "catalog/catalog.h"

const char* const g_modelNames[kModelCount] = {
    "RQ-210(No Cut) Series", "RQ-210(Cut) Series", "RQ-220(No Cut) Series", "RQ-220(Cut) Series",
    "RQ-230 Series",         "RQ-230N Series",     "RQ-A230 Series",        "RQ-B230 Series",
    "RQ-240 Series",         "RQ-C210 Series",     "RQ-C215 Series",        "RQ-C230 Series",
    "RQ-D210 Series",        "RQ-D230 Series",     "RQ-D240 Series",        "RQ-A240 Series",
    "RQ-G240 Series",        "RQ-B240 Series",     "M-D50x Series",         "M-60xA Series",
    "M-60xB Series",         "M-C50x Series",      "M-C51x Series",
};

const char* const g_gpdNames[kModelCount] = {
    "RQ210nocut", "RQ210cut", "RQ220nocut", "RQ220cut", "RQ230",  "RQ230N", "RQA230", "RQB230",
    "RQ240",      "RQC210",   "RQC215",     "RQC230",   "RQD210", "RQD230", "RQD240", "RQA240",
    "RQG240",     "RQB240",   "MD50x",      "M60xA",    "M60XB",  "MC50X",  "MC51X",
};

const char* const g_dllNames[kModelCount] = {
    "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN",
    "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN",
    "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN", "RQPRN",
};

bool ModelHasPlugin(int row) {
    return (row >= 5 && row <= 8) || (row >= 13 && row <= 20);
}

const char* const g_portValueNames[kPortValueCount] = {
    "LPT1:", "LPT2:", "LPT3:", "COM1:", "COM2:", "COM3:", "COM4:",
};

const char* const g_baudRates[kBaudRateCount] = {
    "300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200",
};

const char* const g_dataBits[kDataBitsCount] = {"5", "6", "7", "8"};

const char* const g_stopBits[kStopBitsCount] = {"1", "1.5", "2"};

// "Mark" gives "E", the same letter as "Even".
const char* const g_parityLetters[kParityCount] = {"E", "E", "N", "O", "S"};

// "None" is a single blank, not an empty text.
const char* const g_flowLetters[kFlowCount] = {" ", "x", "p"};
