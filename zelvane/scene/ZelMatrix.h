// 4x4 matrices of doubles for the camera, the view matrices and the editing frame of clip planes.
//
// A matrix is 16 doubles indexed M[4 * i + j] for row i, column j. OpenGL reads the same array
// column by column (glMultMatrixd), so it sees the transpose of what these routines index.
// Nothing here allocates; every result goes into an array owned by the caller.
#pragma once

void zelIdentity(double M[16]);
// Identity with the translation t in M[3], M[7], M[11].
void zelTranslate(double M[16], const double t[3]);
// Rotation by angle (degrees) about axis, which need not be of unit length. A null angle or a
// null axis gives the identity.
void zelRotate(double M[16], const double axis[3], double angle);
// out = A B.
void zelMulMatrix(double out[16], const double A[16], const double B[16]);
// M = T M: read by OpenGL, T then acts on a point before the old M.
void zelApplyTransform(double M[16], const double T[16]);
// out = M^-1 by elimination with row exchanges. A singular matrix gives a large but finite
// result instead of a division by zero. out may be M.
void zelInvMatrix(const double M[16], double out[16]);
// Upper-left 3x3 times p: the translation part of M is ignored. out may be p.
void zelTransformPoint(double out[3], const double M[16], const double p[3]);
// Full 4x4 times the homogeneous point p. out may be p.
void zelTransformPoint2(double out[4], const double M[16], const double p[4]);
// M without its translation and perspective entries. out may be M.
void zelGetRotPart(double out[16], const double M[16]);
// Prints the four rows on one line of standard output.
void zelPrintMat(const double M[16]);
