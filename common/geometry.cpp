// Plane geometry on extended floats for the CAD, diagram and drawing code.
// Failures are results (false) or error-list messages; nothing stops.
#include "common/geometry.h"

#include <cmath>
#include <string>

#include "common/checkmath.h"
#include "common/globals.h"
#include "common/numfmt.h"

namespace kor2 {

Extended Det2(Extended A, Extended B, Extended C, Extended D) {
    return A * D - B * C;
}

bool SolveLinear2(Extended A1, Extended B1, Extended C1, Extended A2, Extended B2, Extended C2,
                  Extended& X, Extended& Y) {
    const Extended d = Det2(A1, B1, A2, B2);
    if (d == 0) {
        X = 0;
        Y = 0;
        return false;
    }
    X = (C1 * B2 - B1 * C2) / d;
    Y = (A1 * C2 - C1 * A2) / d;
    return true;
}

bool LineIntersection(GeoPoint A, GeoPoint B, GeoPoint C, GeoPoint D, Extended& X, Extended& Y) {
    // A + t (B - A) = C + s (D - C), written as t (B - A) - s (D - C) = C - A.
    Extended t = 0, s = 0;
    const bool ok =
        SolveLinear2(B.X - A.X, -(D.X - C.X), C.X - A.X, B.Y - A.Y, -(D.Y - C.Y), C.Y - A.Y, t, s);
    X = A.X + t * (B.X - A.X);
    Y = A.Y + t * (B.Y - A.Y);
    return ok;
}

bool InRange(Extended V, Extended A, Extended B) {
    if ((A <= V && V <= B) || (B <= V && V <= A)) return true;
    return std::fabs(A - B) < 1E-12L && std::fabs(V - B) < 1E-12L;
}

bool SegmentIntersection(GeoPoint A, GeoPoint B, GeoPoint C, GeoPoint D, Extended& X,
                         Extended& Y) {
    LineIntersection(A, B, C, D, X, Y);
    return InRange(X, A.X, B.X) && InRange(Y, A.Y, B.Y) && InRange(X, C.X, D.X) &&
           InRange(Y, C.Y, D.Y);
}

bool SegmentRectCrossing(GeoPoint A, GeoPoint B, Extended X1, Extended Y1, Extended X2,
                         Extended Y2, Extended& X, Extended& Y) {
    const GeoPoint edges[4][2] = {{{X1, Y1}, {X2, Y1}},
                                  {{X2, Y1}, {X2, Y2}},
                                  {{X1, Y2}, {X2, Y2}},
                                  {{X1, Y1}, {X1, Y2}}};
    for (const auto& e : edges) {
        Extended x = 0, y = 0;
        if (SegmentIntersection(A, B, e[0], e[1], x, y)) {
            X = x;
            Y = y;
            return true;
        }
    }
    return false;
}

bool PointInBox(Extended X, Extended Y, Extended Xmin, Extended Ymin, Extended Xmax,
                Extended Ymax) {
    return Xmin <= X && X <= Xmax && Ymin <= Y && Y <= Ymax;
}

bool ClipLineToRect(Extended& X1, Extended& Y1, Extended& X2, Extended& Y2, Extended Xmin,
                    Extended Ymin, Extended Xmax, Extended Ymax) {
    const bool in1 = PointInBox(X1, Y1, Xmin, Ymin, Xmax, Ymax);
    const bool in2 = PointInBox(X2, Y2, Xmin, Ymin, Xmax, Ymax);
    if (in1 && in2) return true;
    if (in1) {
        SegmentRectCrossing({X1, Y1}, {X2, Y2}, Xmin, Ymin, Xmax, Ymax, X2, Y2);
        return true;
    }
    if (in2) {
        SegmentRectCrossing({X2, Y2}, {X1, Y1}, Xmin, Ymin, Xmax, Ymax, X1, Y1);
        return true;
    }
    X1 = Y1 = X2 = Y2 = 0;
    return false;
}

void ArcPointRotate(Extended Px, Extended Py, Extended Cx, Extended Cy, Extended Angle,
                    Extended& X, Extended& Y) {
    Extended xr = 0, yr = 0;
    RotatePoint(Px - Cx, Py - Cy, Angle, xr, yr);
    X = xr + Cx;
    Y = yr + Cy;
}

void GetArcCenter(Extended& Xc, Extended& Yc, Extended& StartAngle, Extended X1, Extended Y1,
                  Extended X2, Extended Y2, Extended DPhi, Extended& EndAngle, Extended& R) {
    const Extended halfSin = std::sin(DPhi / 2);
    if (halfSin == 0 || std::isnan(halfSin)) {
        AddErrorMessage("Fehler in GetArcCenter (dphi = " + FloatToStr3(DPhi) + " ! ");
        return;
    }
    const Extended dx = X2 - X1, dy = Y2 - Y1;
    const Extended l = Hypot(dx, dy);
    const Extended mx = (X1 + X2) / 2, my = (Y1 + Y2) / 2;
    const Extended h = std::sin(DPhi) == 0 ? 0 : (l / 2) / TanChecked(DPhi / 2);
    R = std::fabs((l / 2) / halfSin);
    if (l == 0) {
        AddErrorMessage("GetArcCenter l12=0");
        Xc = mx;
        Yc = my;
    } else {
        Xc = mx - dy * h / l;
        Yc = my + dx * h / l;
    }
    const Extended a1 = ArcTan2Ext(X1 - Xc, Y1 - Yc);
    const Extended a2 = ArcTan2Ext(X2 - Xc, Y2 - Yc);
    if (DPhi >= 0) {
        StartAngle = a1;
        EndAngle = a2;
    } else {
        StartAngle = a2;
        EndAngle = a1;
    }
}

}  // namespace kor2
