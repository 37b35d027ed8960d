// Closed-form eigen solvers for the small symmetric tensors of metric fields, and the
// intersection of two 2-D metrics by simultaneous reduction.
//
// 2-D symmetric tensor: (m11, m12, m22). 2-D general matrix: (a, b, c, d) for the rows (a b)
// and (c d). 3-D symmetric tensor: (m11, m12, m13, m22, m23, m33). Eigenvector i (2 or 3
// consecutive doubles, unit length) belongs to eigenvalue i. Nothing here allocates; trouble
// is reported on standard output (information) or standard error (errors and warnings).
#pragma once

// 1 done, 2 zero tensor (eigenvalues 0 and the identity frame), 0 no eigenvector could be
// formed. The eigenvalue of smaller absolute value comes first.
int mtxEigen2(const double met[3], double eigVal[2], double eigVec[4]);

// 0 two distinct eigenvalues, 1 equal eigenvalues (identity frame), 2 zero matrix, -1 complex
// eigenvalues or no eigenvector could be formed (outputs then unspecified). The eigenvalue of
// smaller absolute value comes first.
int mtxEigenMat2(const double mat[4], double eigVal[2], double eigVec[4]);

// Intersection of the metrics m1 and m2 into res: 1 res = m1, 2 res = m2, 3 the reduced
// intersection, or res untouched when m1 is not positive or the reduction has no real basis.
int mtxMetIntersection2(const double m1[3], const double m2[3], double res[3]);

// Older form of the same intersection: 1 done, 0 m1 not positive (res untouched).
int metIntersectionOld(const double m1[3], const double m2[3], double res[3]);

// Roots of X^3 + a X^2 + b X + c, which must have three real roots: 0 failure, 1 three
// distinct roots, 2 a double root (roots 0 and 1, the single one in root 2), 3 a triple root.
int mtxCubicRoots(double a, double b, double c, double roots[3]);

// Roots of the characteristic polynomial of a tensor whose entries are at most 1 in absolute
// value; result as mtxCubicRoots.
int mtxGetEigVal3(const double met[6], double roots[3]);

// Unit eigenvectors for the roots from mtxGetEigVal3, kind being its result (1, 2 or 3).
// Another kind ends the process.
int mtxGetEigVec3(int kind, const double met[6], const double roots[3], double eigVec[9]);

// 1 done, 0 the cubic failed (eigenvalues as far as written, vectors untouched). The
// eigenvalues come in the order of the roots, not sorted.
int mtxEigen3(const double met[6], double eigVal[3], double eigVec[9]);
