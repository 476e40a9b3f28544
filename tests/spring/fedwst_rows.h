// The rows of the material table "fedwst.dbf" and a writer that builds the
// table through the table engine; used by the material table tests and, with
// KOR2_WRITE_FEDWST set, to write the shipped data/fedwst.dbf.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/oemtext.h"

namespace kor2::test {

// Field definitions in table order ("NAME, type, length, decimals").
inline const std::vector<std::string> kFedwstFields = {
    "NAME1, C, 50, 0",      "NAME2, C, 30, 0",      "NAME3, C, 20, 0",
    "NAME4, C, 20, 0",      "GMODUL, N, 7, 0",      "EMODUL, N, 7, 0",
    "DICHTE, N, 6, 2",      "RM0, N, 6, 0",         "DR0, N, 7, 3",
    "RMMAX, N, 6, 0",       "RMSTEIG, N, 6, 0",     "DREF, N, 7, 3",
    "TAUO0, N, 6, 0",       "TAUOSTEIG, N, 6, 0",   "TAUH0, N, 6, 0",
    "TAUHSTEIG, N, 6, 0",   "GOODMAN, N, 6, 3",     "TAUO0K, N, 6, 0",
    "TAUOSTEIGK, N, 6, 0",  "TAUH0K, N, 6, 0",      "TAUHSTEIGK, N, 6, 0",
    "GOODMANK, N, 6, 3",    "DMIN, N, 8, 3",        "DMAX, N, 8, 3",
    "TMAX, N, 5, 0",        "BEMERKUNG, C, 40, 0",  "WERKSTNR, N, 9, 0",
};

// The 19 materials, fields in table order, texts in code page 850.
inline const std::vector<std::array<std::string, 27>> kFedwstRows = {
    {"EN 10270-1 SL", "patentiert gezogen, statisch", "SL", "EN 10270-1", "81500", "206000", "7.85", "1720", "1.0", "1720", "660", "1.0", "774", "297", "390", "141", "0.74", "0", "0", "0", "0", "0.00", "1", "10", "100", "Statiksorte; Dauerfestigkeit abgeleitet", "1"},
    {"EN 10270-1 SM", "patentiert gezogen, statisch", "SM", "EN 10270-1", "81500", "206000", "7.85", "1980", "1.0", "2370", "740", "1.0", "891", "333", "449", "157", "0.74", "0", "0", "0", "0", "0.00", "0.3", "20", "100", "Statiksorte; Dauerfestigkeit abgeleitet", "2"},
    {"EN 10270-1 DM", "patentiert gezogen, dynamisch", "DM", "EN 10270-1", "81500", "206000", "7.85", "1980", "1.0", "2370", "740", "1.0", "891", "333", "449", "157", "0.74", "891", "333", "534", "176", "0.73", "0.3", "20", "100", "Dauerfestigkeit aus DH skaliert", "3"},
    {"EN 10270-1 SH", "patentiert gezogen, statisch", "SH", "EN 10270-1", "81500", "206000", "7.85", "2230", "1.0", "2660", "820", "1.0", "1004", "369", "506", "174", "0.74", "0", "0", "0", "0", "0.00", "0.3", "20", "100", "Statiksorte; Dauerfestigkeit wie DH", "4"},
    {"EN 10270-1 DH", "patentiert gezogen, dynamisch", "DH", "EN 10270-1", "81500", "206000", "7.85", "2230", "1.0", "2800", "820", "1.0", "1004", "369", "506", "174", "0.74", "1004", "369", "602", "194", "0.73", "0.05", "20", "100", "Goodman nach EN 13906-1 (DH)", "5"},
    {"EN 10270-2 FDC", "ölschlussvergütet, statisch"_oem, "FDC", "EN 10270-2", "79500", "206000", "7.85", "1860", "1.0", "1900", "500", "1.0", "837", "225", "375", "119", "0.76", "837", "225", "494", "151", "0.76", "0.5", "17", "120", "Goodman nach EN 13906-1 (FD/TD)", "6"},
    {"EN 10270-2 FDCrV", "ölschlussvergütet, statisch"_oem, "FDCrV", "EN 10270-2", "79500", "206000", "7.85", "1960", "1.0", "2000", "510", "1.0", "882", "230", "375", "119", "0.76", "882", "230", "494", "151", "0.76", "0.5", "17", "200", "Goodman nach EN 13906-1 (FD/TD)", "7"},
    {"EN 10270-2 FDSiCr", "ölschlussvergütet, statisch"_oem, "FDSiCr", "EN 10270-2", "79500", "206000", "7.85", "2100", "1.0", "2100", "440", "1.0", "945", "198", "375", "119", "0.76", "945", "198", "494", "151", "0.76", "0.5", "17", "250", "Goodman nach EN 13906-1 (FD/TD)", "8"},
    {"EN 10270-2 TDC", "ölschlussverg., mitteldyn."_oem, "TDC", "EN 10270-2", "79500", "206000", "7.85", "1850", "1.0", "1850", "460", "1.0", "832", "207", "375", "119", "0.76", "832", "207", "494", "151", "0.76", "0.5", "10", "120", "Goodman nach EN 13906-1 (FD/TD)", "9"},
    {"EN 10270-2 TDCrV", "ölschlussverg., mitteldyn."_oem, "TDCrV", "EN 10270-2", "79500", "206000", "7.85", "1910", "1.0", "1910", "520", "1.0", "860", "234", "375", "119", "0.76", "860", "234", "494", "151", "0.76", "0.5", "10", "200", "Goodman nach EN 13906-1 (FD/TD)", "10"},
    {"EN 10270-2 TDSiCr", "ölschlussverg., mitteldyn."_oem, "TDSiCr", "EN 10270-2", "79500", "206000", "7.85", "2080", "1.0", "2080", "410", "1.0", "936", "184", "375", "119", "0.76", "936", "184", "494", "151", "0.76", "0.5", "10", "250", "Goodman nach EN 13906-1 (FD/TD)", "11"},
    {"EN 10270-2 VDC", "ölschlussverg., Ventilfeder"_oem, "VDC", "EN 10270-2", "79500", "206000", "7.85", "1850", "1.0", "1850", "460", "1.0", "832", "207", "533", "174", "0.74", "0", "0", "0", "0", "0.00", "0.5", "10", "120", "EN 13906-1 (VD); gestrahlt: k. Daten", "12"},
    {"EN 10270-2 VDCrV", "ölschlussverg., Ventilfeder"_oem, "VDCrV", "EN 10270-2", "79500", "206000", "7.85", "1910", "1.0", "1910", "520", "1.0", "860", "234", "533", "174", "0.74", "0", "0", "0", "0", "0.00", "0.5", "10", "200", "EN 13906-1 (VD); gestrahlt: k. Daten", "13"},
    {"EN 10270-2 VDSiCr", "ölschlussverg., Ventilfeder"_oem, "VDSiCr", "EN 10270-2", "79500", "206000", "7.85", "2080", "1.0", "2080", "410", "1.0", "936", "184", "533", "174", "0.74", "0", "0", "0", "0", "0.00", "0.5", "10", "250", "EN 13906-1 (VD); gestrahlt: k. Daten", "14"},
    {"EN 10270-3 1.4310", "X10CrNi18-8 (NS)", "1.4310", "EN 10270-3", "70000", "185000", "7.90", "1900", "1.0", "2200", "650", "1.0", "855", "292", "439", "150", "0.74", "0", "0", "0", "0", "0.00", "0.2", "10", "288", "Rm Sorte NS; Dauerfestigk. abgeleitet", "15"},
    {"EN 10270-3 1.4401", "X5CrNiMo17-12-2", "1.4401", "EN 10270-3", "68000", "180000", "8.00", "1575", "1.0", "1675", "554", "1.0", "709", "249", "364", "128", "0.74", "0", "0", "0", "0", "0.00", "0.3", "10", "288", "Dauerfestigkeit abgeleitet", "16"},
    {"EN 10270-3 1.4568", "X7CrNiAl17-7 ausgehärtet"_oem, "1.4568", "EN 10270-3", "78000", "200000", "7.81", "2100", "1.0", "2225", "664", "1.0", "945", "299", "485", "153", "0.74", "0", "0", "0", "0", "0.00", "0.3", "10", "343", "Rm nach 480°C/1h; Dauerf. abgeleitet"_oem, "17"},
    {"EN 12166 CuSn6", "CW452K federhart", "CuSn6", "EN 12166", "43000", "115000", "8.80", "931", "1.0", "1000", "207", "1.0", "419", "93", "215", "48", "0.74", "0", "0", "0", "0", "0.00", "0.1", "12.7", "150", "Rm nach ASTM B159 (Ersatz), unsicher", "18"},
    {"CuBe2", "CW101C federhart+ausgehärtet"_oem, "CuBe2", "CW101C", "47000", "123000", "8.25", "1200", "1.0", "1200", "0", "1.0", "540", "0", "277", "0", "0.74", "0", "0", "0", "0", "0.00", "0.03", "3.26", "200", "Rm ohne d-Abhängigkeit, unsicher"_oem, "19"},
};

// Creates path (a program path text) with the rows given through the table
// engine's create and append code; false on failure.
bool WriteFedwstTable(const std::string& path,
                      const std::vector<std::array<std::string, 27>>& rows = kFedwstRows);

}  // namespace kor2::test
