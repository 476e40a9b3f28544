// Wire diameter tolerances: picks the table of a wire standard and looks up
// the tolerance of d in it. Called by the tolerance step of the calculation
// chain and by the material dialog.
#include "spring/wiretolerances.h"

#include <cmath>
#include <limits>
#include <span>
#include <string_view>

#include "common/globals.h"

namespace kor2 {

namespace {

constexpr Extended kAbove = std::numeric_limits<Extended>::infinity();

struct ToleranceRow {
    Extended bound;  // upper bound (included) or lower bound (included), in mm
    Extended tolerance;
};

// Tables searched by upper bounds; the last row takes every larger d.
constexpr ToleranceRow kTable1[] = {{0.48L, 0.015L}, {0.8L, 0.02L},  {1.4L, 0.025L}, {3.2L, 0.035L},
                                    {5.6L, 0.045L},  {8.5L, 0.06L},  {10.0L, 0.07L}, {15.0L, 0.09L},
                                    {17.0L, 0.12L},  {kAbove, 0.15L}};

constexpr ToleranceRow kTable2[] = {
    {0.18L, 0.004L}, {0.34L, 0.008L}, {0.8L, 0.01L},  {1.4L, 0.015L}, {3.2L, 0.02L}, {5.6L, 0.025L},
    {8.5L, 0.035L},  {10.0L, 0.05L},  {15.0L, 0.07L}, {17.0L, 0.08L}, {kAbove, 0.1L}};

constexpr ToleranceRow kTable3[] = {{11.5L, 0.15L}, {21.5L, 0.2L}, {30.0L, 0.25L},
                                    {39.0L, 0.3L},  {50.0L, 0.4L}, {65.0L, 0.5L}};

// Tables searched by lower bounds, valid from the first bound up to 25 mm.
constexpr ToleranceRow kTable4[] = {
    {0.3L, 0.025L}, {0.52L, 0.03L}, {0.74L, 0.035L}, {1.01L, 0.04L},  {1.31L, 0.045L},
    {1.66L, 0.05L}, {2.05L, 0.06L}, {2.94L, 0.07L},  {4.01L, 0.08L},  {5.23L, 0.09L},
    {6.62L, 0.1L},  {8.17L, 0.12L}, {11.76L, 0.14L}, {16.01L, 0.16L}, {20.9L, 0.18L}};

constexpr ToleranceRow kTable5[] = {
    {0.2L, 0.015L}, {0.31L, 0.02L}, {0.55L, 0.025L}, {0.86L, 0.03L},  {1.24L, 0.035L},
    {1.69L, 0.04L}, {2.2L, 0.045L}, {2.78L, 0.05L},  {3.43L, 0.06L},  {4.94L, 0.07L},
    {6.73L, 0.08L}, {8.78L, 0.09L}, {11.12L, 0.1L},  {13.72L, 0.12L}, {19.76L, 0.14L}};

constexpr ToleranceRow kTable6[] = {
    {0.05L, 0.006L}, {0.12L, 0.008L}, {0.15L, 0.01L}, {0.23L, 0.012L}, {0.33L, 0.015L},
    {0.52L, 0.02L},  {0.91L, 0.025L}, {1.42L, 0.03L}, {2.05L, 0.035L}, {2.78L, 0.04L},
    {3.63L, 0.045L}, {4.6L, 0.05L},   {5.67L, 0.06L}, {8.17L, 0.07L},  {11.12L, 0.08L},
    {14.52L, 0.09L}, {18.37L, 0.1L},  {22.68L, 0.12L}};

constexpr ToleranceRow kTable7[] = {
    {0.05L, 0.004L}, {0.072L, 0.005L}, {0.12L, 0.006L}, {0.17L, 0.008L}, {0.29L, 0.01L},
    {0.45L, 0.012L}, {0.65L, 0.015L},  {1.01L, 0.02L},  {1.78L, 0.025L}, {2.78L, 0.03L},
    {4.01L, 0.035L}, {5.45L, 0.04L},   {7.12L, 0.045L}, {9.01L, 0.05L},  {11.12L, 0.06L},
    {16.01L, 0.07L}, {21.77L, 0.08L}};

// The standard leaves 0.091 <= d < 0.17 open; 0.004 lies between its neighbours.
constexpr ToleranceRow kTable8[] = {
    {0.05L, 0.003L}, {0.091L, 0.004L}, {0.17L, 0.005L}, {0.26L, 0.006L},  {0.37L, 0.008L},
    {0.65L, 0.01L},  {1.01L, 0.012L},  {1.45L, 0.015L}, {2.26L, 0.02L},   {4.01L, 0.025L},
    {6.26L, 0.03L},  {9.01L, 0.035L},  {12.26L, 0.04L}, {16.01L, 0.045L}, {20.26L, 0.05L}};

constexpr ToleranceRow kTable11[] = {{0.0L, 0.005L},  {0.26L, 0.008L}, {0.65L, 0.01L},
                                     {1.01L, 0.015L}, {2.26L, 0.02L},  {4.01L, 0.025L},
                                     {6.26L, 0.03L},  {9.01L, 0.035L}};

// First row whose upper bound is not below d; d above every bound (or NaN)
// gives the last row.
Extended LookUpToUpperBound(std::span<const ToleranceRow> rows, Extended d) {
    for (const ToleranceRow& row : rows)
        if (d <= row.bound) return row.tolerance;
    return rows.back().tolerance;
}

// A table searched by lower bounds, valid from its first bound up to its
// upper limit (included unless limitExcluded), with its range message.
struct RangedTable {
    uint16_t number;
    std::span<const ToleranceRow> rows;
    Extended upperLimit;
    bool limitExcluded;
    std::string_view rangeMessage;
};

constexpr Extended kMaxWireDiameter = 25.0L;  // upper limit of tables 4 to 8

constexpr RangedTable kRangedTables[] = {
    {4, kTable4, kMaxWireDiameter, false, "Fehler : EN10218-2,T1: 0.3 < d < 25.0 !"},
    {5, kTable5, kMaxWireDiameter, false, "Fehler : EN10218-2,T2: 0.2 < d < 25.0 !"},
    {6, kTable6, kMaxWireDiameter, false, "Fehler : EN10218-3,T2: 0.05 < d < 25.0 !"},
    {7, kTable7, kMaxWireDiameter, false, "Fehler : EN10218-3,T4: 0.05 < d < 25.0 !"},
    {8, kTable8, kMaxWireDiameter, false, "Fehler : EN10218-3,T2: 0.05 < d < 25.0 !"},
    {11, kTable11, 10.01L, true, "Fehler : EN10270-3: d < 10.0 !"}};

// Last row whose lower bound is not above d; outside the table's range (NaN
// included) the range message is recorded and the result is 0.
Extended LookUpFromLowerBound(const RangedTable& table, Extended d) {
    const bool inRange = d >= table.rows.front().bound &&
                         (table.limitExcluded ? d < table.upperLimit : d <= table.upperLimit);
    if (!inRange) {
        AddErrorMessage(table.rangeMessage);
        return 0;
    }
    Extended tolerance = table.rows.front().tolerance;
    for (const ToleranceRow& row : table.rows)
        if (d >= row.bound) tolerance = row.tolerance;
    return tolerance;
}

}  // namespace

Extended WireToleranceTable(uint16_t Table, Extended d) {
    switch (Table) {
        case 1:
            return LookUpToUpperBound(kTable1, d);
        case 2:
            return LookUpToUpperBound(kTable2, d);
        case 3:
            if (d <= kTable3[std::size(kTable3) - 1].bound) return LookUpToUpperBound(kTable3, d);
            return std::isfinite(d) ? 0.01L * d : 0;  // 1 % of d above the last row
        default:
            for (const RangedTable& table : kRangedTables)
                if (table.number == Table) return LookUpFromLowerBound(table, d);
            return 0;
    }
}

Extended WireDiameterTolerance(uint16_t Standard, Extended d) {
    switch (Standard) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 11:
            return WireToleranceTable(Standard, d);
        case 9:
        case 10:  // EN 10270-1 and -2 share the tables of the finer grades by d
            if (d < 0.8L) return WireToleranceTable(8, d);
            if (d <= 10.0L) return WireToleranceTable(7, d);
            return WireToleranceTable(6, d);
        default:
            return 0;
    }
}

}  // namespace kor2
