// Plane geometry on extended floats: 2x2 solve, line and segment
// intersections, segment clipping to a rectangle, rotation about a centre and
// arcs through two points. Used by the CAD, diagram and drawing code.
#pragma once

#include "platform/types.h"

namespace kor2 {

// A point of the plane; angles elsewhere in this file are in radians.
struct GeoPoint {
    Extended X = 0;
    Extended Y = 0;
};

// A*D - B*C.
Extended Det2(Extended A, Extended B, Extended C, Extended D);
// Cramer's rule for A1 X + B1 Y = C1, A2 X + B2 Y = C2. A determinant of
// exactly 0 gives X = Y = 0 and false.
bool SolveLinear2(Extended A1, Extended B1, Extended C1, Extended A2, Extended B2, Extended C2,
                  Extended& X, Extended& Y);
// The crossing of line AB with line CD; parallel lines give A and false.
bool LineIntersection(GeoPoint A, GeoPoint B, GeoPoint C, GeoPoint D, Extended& X, Extended& Y);
// V between A and B in either order, bounds included; a degenerate range
// (|A - B| < 1E-12) also holds V within 1E-12 of B.
bool InRange(Extended V, Extended A, Extended B);
// LineIntersection, true only when the point lies on both segments.
bool SegmentIntersection(GeoPoint A, GeoPoint B, GeoPoint C, GeoPoint D, Extended& X,
                         Extended& Y);
// The first rectangle edge (bottom, right, top, left) that segment AB crosses
// gives X, Y; false and X, Y unchanged when none is crossed.
bool SegmentRectCrossing(GeoPoint A, GeoPoint B, Extended X1, Extended Y1, Extended X2,
                         Extended Y2, Extended& X, Extended& Y);
// Xmin <= X <= Xmax and Ymin <= Y <= Ymax.
bool PointInBox(Extended X, Extended Y, Extended Xmin, Extended Ymin, Extended Xmax,
                Extended Ymax);
// Cuts the segment where exactly one end lies outside the box. Both ends
// outside set all four coordinates to 0 and give false, even when the
// segment passes through the box (a caller that needs the inner part of such
// a segment clips it itself).
bool ClipLineToRect(Extended& X1, Extended& Y1, Extended& X2, Extended& Y2, Extended Xmin,
                    Extended Ymin, Extended Xmax, Extended Ymax);
// P rotated about C by Angle.
void ArcPointRotate(Extended Px, Extended Py, Extended Cx, Extended Cy, Extended Angle,
                    Extended& X, Extended& Y);
// Centre, radius and end angles of the arc from point 1 to point 2 that
// sweeps DPhi (counter-clockwise when positive). The angles always run
// counter-clockwise from StartAngle to EndAngle. A sweep whose half-angle
// sine is 0 records a message and changes nothing; a zero chord records a
// message and puts the centre on the points.
void GetArcCenter(Extended& Xc, Extended& Yc, Extended& StartAngle, Extended X1, Extended Y1,
                  Extended X2, Extended Y2, Extended DPhi, Extended& EndAngle, Extended& R);

}  // namespace kor2
