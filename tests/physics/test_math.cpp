// Vector, matrix, transform and quaternion operations against independent formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "physics/physics_local.h"

namespace {

// Rotation of v by angle about the unit axis (right-handed), in doubles.
void rodrigues(const double axis[3], double angle, const double v[3], double out[3]) {
    double c = std::cos(angle), s = std::sin(angle);
    double d = axis[0] * v[0] + axis[1] * v[1] + axis[2] * v[2];
    double k[3] = {axis[1] * v[2] - axis[2] * v[1], axis[2] * v[0] - axis[0] * v[2],
                   axis[0] * v[1] - axis[1] * v[0]};
    for (int i = 0; i < 3; ++i) out[i] = v[i] * c + k[i] * s + axis[i] * d * (1.0 - c);
}

void expectVectorNear(const Vector3& v, double x, double y, double z, double tolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

Quaternion plainHamilton(const Quaternion& a, const Quaternion& b) {
    return Quaternion(
        a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
        a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
}

Quaternion axisAngle(double ax, double ay, double az, double angle) {
    double n = std::sqrt(ax * ax + ay * ay + az * az);
    double s = std::sin(angle / 2) / n;
    return Quaternion((float)(ax * s), (float)(ay * s), (float)(az * s), (float)std::cos(angle / 2));
}

}  // namespace

TEST(PhysicsMath, NearZeroRule) {
    EXPECT_TRUE(isNearZero(0.0f));
    EXPECT_TRUE(isNearZero(9.9e-7f));
    EXPECT_TRUE(isNearZero(-9.9e-7f));
    EXPECT_FALSE(isNearZero(1e-6f));
    EXPECT_FALSE(isNearZero(-1e-6f));
    EXPECT_TRUE(isNearZero(NAN));
    EXPECT_FALSE(isNearZero(INFINITY));
}

TEST(PhysicsMath, LengthAndNormaliseTreatTinyVectorsAsZero) {
    EXPECT_EQ(length(Vector3(0.0009f, 0.0f, 0.0f)), 0.0f);
    EXPECT_EQ(length(Vector3(3.0f, 4.0f, 0.0f)), 5.0f);

    Vector3 tiny(0.0005f, 0.0f, 0.0f);
    tiny.w = 7.0f;
    normalise(tiny);
    EXPECT_EQ(tiny.x, 0.0f);
    EXPECT_EQ(tiny.y, 0.0f);
    EXPECT_EQ(tiny.z, 0.0f);
    EXPECT_EQ(tiny.w, 7.0f);  // w is no part of the value

    Vector3 small(0.002f, 0.0f, 0.0f);
    normalise(small);
    EXPECT_FLOAT_EQ(small.x, 1.0f);
    EXPECT_EQ(small.y, 0.0f);

    Vector3 v(1.0f, -2.0f, 2.0f);
    normalise(v);
    expectVectorNear(v, 1.0 / 3, -2.0 / 3, 2.0 / 3, 1e-7);
}

TEST(PhysicsMath, VectorOperationsLeaveWAlone) {
    Vector3 a(1.0f, 2.0f, 3.0f), b(-4.0f, 5.0f, 0.5f);
    a.w = 9.0f;
    a += b;
    expectVectorNear(a, -3, 7, 3.5, 0);
    EXPECT_EQ(a.w, 9.0f);
    a *= 2.0f;
    EXPECT_EQ(a.w, 9.0f);
    a.setZero();
    EXPECT_EQ(a.w, 9.0f);
    Vector3 copy = a;
    EXPECT_EQ(copy.w, 9.0f);

    Vector3 c = cross(Vector3(1, 0, 0), Vector3(0, 1, 0));
    expectVectorNear(c, 0, 0, 1, 0);
    EXPECT_EQ(c.w, 0.0f);
    expectVectorNear(cross(Vector3(0, 1, 0), Vector3(1, 0, 0)), 0, 0, -1, 0);
    EXPECT_EQ(dot(Vector3(1, 2, 3), Vector3(4, -5, 6)), 12.0f);
    expectVectorNear(-Vector3(1, -2, 3), -1, 2, -3, 0);
    expectVectorNear(2.0f * Vector3(1, -2, 3), 2, -4, 6, 0);
    Vector3 e(4, 5, 6);
    EXPECT_EQ(e[0], 4.0f);
    EXPECT_EQ(e[1], 5.0f);
    EXPECT_EQ(e[2], 6.0f);
    e[1] = -1.0f;
    EXPECT_EQ(e.y, -1.0f);
}

TEST(PhysicsMath, ProjectAndRemoveComponent) {
    Vector3 n(0.0f, 1.0f, 0.0f);
    expectVectorNear(project(Vector3(3, -2, 5), n), 0, -2, 0, 0);
    Vector3 a(3, -2, 5);
    Vector3& same = removeComponent(a, n);
    EXPECT_EQ(&same, &a);
    expectVectorNear(a, 3, 0, 5, 0);
    // b is not normalised: the caller's scale shows through.
    expectVectorNear(project(Vector3(1, 0, 0), Vector3(2, 0, 0)), 4, 0, 0, 0);
}

TEST(PhysicsMath, MatrixProductAndRotateUseRowVectors) {
    Matrix3 a(Vector3(1, 2, 3), Vector3(4, 5, 6), Vector3(7, 8, 10));
    Matrix3 b(Vector3(-1, 0, 2), Vector3(3, 1, -2), Vector3(0, 4, 1));
    Matrix3 p = a * b;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            float expected = 0.0f;
            for (int k = 0; k < 3; ++k) expected += a[i][k] * b[k][j];
            EXPECT_EQ(p[i][j], expected) << i << "," << j;
        }
        EXPECT_EQ(p[i].w, 0.0f);
    }
    // v·M picks rows: a unit x maps to row 0.
    expectVectorNear(rotate(Vector3(1, 0, 0), a), 1, 2, 3, 0);
    expectVectorNear(rotate(Vector3(0, 0, 2), a), 14, 16, 20, 0);
    // (v·A)·B == v·(A·B).
    Vector3 v(0.5f, -1.0f, 2.0f);
    Vector3 left = rotate(rotate(v, a), b), right = rotate(v, p);
    expectVectorNear(left, right.x, right.y, right.z, 1e-4);

    Matrix3 id = Matrix3::identity();
    expectVectorNear(id[0], 1, 0, 0, 0);
    expectVectorNear(id[1], 0, 1, 0, 0);
    expectVectorNear(id[2], 0, 0, 1, 0);
    Matrix3 t = transpose(a);
    EXPECT_EQ(t[0][2], 7.0f);
    EXPECT_EQ(t[2][0], 3.0f);
}

TEST(PhysicsMath, FromEulerXYZTurnsAboutXThenYThenZ) {
    expectVectorNear(rotate(Vector3(1, 0, 0), fromEulerXYZ(Vector3(0, 0, 1.5707964f))), 0, 1, 0, 1e-6);
    expectVectorNear(rotate(Vector3(0, 1, 0), fromEulerXYZ(Vector3(1.5707964f, 0, 0))), 0, 0, 1, 1e-6);
    expectVectorNear(rotate(Vector3(0, 0, 1), fromEulerXYZ(Vector3(0, 1.5707964f, 0))), 1, 0, 0, 1e-6);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> angle(-3.1, 3.1), coord(-2.0, 2.0);
    const double ax[3] = {1, 0, 0}, ay[3] = {0, 1, 0}, az[3] = {0, 0, 1};
    for (int n = 0; n < 200; ++n) {
        double a0 = angle(rng), a1 = angle(rng), a2 = angle(rng);
        double v[3] = {coord(rng), coord(rng), coord(rng)}, t1[3], t2[3], t3[3];
        rodrigues(ax, a0, v, t1);
        rodrigues(ay, a1, t1, t2);
        rodrigues(az, a2, t2, t3);
        Matrix3 m = fromEulerXYZ(Vector3((float)a0, (float)a1, (float)a2));
        expectVectorNear(rotate(Vector3((float)v[0], (float)v[1], (float)v[2]), m), t3[0], t3[1], t3[2],
                         1e-5);
    }
}

TEST(PhysicsMath, TransformLayoutIsOpenGLColumnMajor) {
    Transform t;
    t.rotation = fromEulerXYZ(Vector3(0.3f, -0.2f, 1.1f));
    t.position = Vector3(5.0f, 6.0f, 7.0f);
    t.position.w = 1.0f;
    const float* e = t.elements();
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) EXPECT_EQ(e[col * 4 + row], t.rotation[col][row]);
    }
    EXPECT_EQ(e[12], 5.0f);
    EXPECT_EQ(e[13], 6.0f);
    EXPECT_EQ(e[14], 7.0f);
    EXPECT_EQ(e[15], 1.0f);

    Transform id = Transform::identity();
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(id.elements()[i], expected[i]) << i;
    Matrix4 m4;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m4.m[i], expected[i]) << i;
}

TEST(PhysicsMath, ComposeAppliesTheChildFirst) {
    Transform a, b;
    a.rotation = fromEulerXYZ(Vector3(0.4f, 1.0f, -0.7f));
    a.position = Vector3(1.0f, -2.0f, 3.0f);
    b.rotation = fromEulerXYZ(Vector3(-1.2f, 0.1f, 0.5f));
    b.position = Vector3(0.5f, 0.25f, -4.0f);

    Transform withIdentity = compose(a, Transform::identity());
    for (int i = 0; i < 3; ++i)
        expectVectorNear(withIdentity.rotation[i], a.rotation[i].x, a.rotation[i].y, a.rotation[i].z, 0);
    expectVectorNear(withIdentity.position, 1, -2, 3, 0);
    Transform identityFirst = compose(Transform::identity(), a);
    expectVectorNear(identityFirst.position, 1, -2, 3, 0);

    Transform ab = compose(a, b);
    Vector3 v(2.0f, -1.0f, 0.5f);
    Vector3 twice = transformPoint(a, transformPoint(b, v));
    Vector3 once = transformPoint(ab, v);
    expectVectorNear(once, twice.x, twice.y, twice.z, 1e-5);
}

TEST(PhysicsMath, QuaternionProductMatchesPlainHamilton) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> c(-2.0f, 2.0f);
    for (int n = 0; n < 1000; ++n) {
        Quaternion a(c(rng), c(rng), c(rng), c(rng)), b(c(rng), c(rng), c(rng), c(rng));
        Quaternion fast = a * b, plain = plainHamilton(a, b);
        EXPECT_NEAR(fast.x, plain.x, 2e-5);
        EXPECT_NEAR(fast.y, plain.y, 2e-5);
        EXPECT_NEAR(fast.z, plain.z, 2e-5);
        EXPECT_NEAR(fast.w, plain.w, 2e-5);
    }
    Quaternion q(0.1f, -0.5f, 0.3f, 0.8f);
    Quaternion left = Quaternion::identity() * q;
    EXPECT_FLOAT_EQ(left.x, q.x);
    EXPECT_FLOAT_EQ(left.y, q.y);
    EXPECT_FLOAT_EQ(left.z, q.z);
    EXPECT_FLOAT_EQ(left.w, q.w);
    // Not commutative: i⊗j = k, j⊗i = −k.
    Quaternion k = Quaternion(1, 0, 0, 0) * Quaternion(0, 1, 0, 0);
    EXPECT_NEAR(k.z, 1.0f, 1e-7);
    Quaternion minusK = Quaternion(0, 1, 0, 0) * Quaternion(1, 0, 0, 0);
    EXPECT_NEAR(minusK.z, -1.0f, 1e-7);
}

TEST(PhysicsMath, ToMatrixRotatesLikeTheAxisAngle) {
    Matrix3 id = toMatrix(Quaternion::identity());
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(id[i][j], i == j ? 1.0f : 0.0f);

    std::mt19937 rng(3);
    std::uniform_real_distribution<double> c(-1.0, 1.0), angle(-3.0, 3.0);
    for (int n = 0; n < 200; ++n) {
        double axis[3] = {c(rng), c(rng), c(rng) + 0.01};
        double norm = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        for (double& x : axis) x /= norm;
        double th = angle(rng), v[3] = {c(rng), c(rng), c(rng)}, out[3];
        rodrigues(axis, th, v, out);
        Matrix3 m = toMatrix(axisAngle(axis[0], axis[1], axis[2], th));
        expectVectorNear(rotate(Vector3((float)v[0], (float)v[1], (float)v[2]), m), out[0], out[1], out[2],
                         2e-6);
    }
}

TEST(PhysicsMath, MatrixToQuaternionRoundTripCoversEveryBranch) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> c(-1.0, 1.0);
    int dominant[4] = {0, 0, 0, 0};
    auto check = [&](Quaternion q) {
        if (q.w < 0.0f) q = Quaternion(-q.x, -q.y, -q.z, -q.w);
        float squares[4] = {q.w * q.w, q.x * q.x, q.y * q.y, q.z * q.z};
        int pick = 0;
        for (int i = 1; i < 4; ++i)
            if (squares[i] >= squares[pick]) pick = i;
        dominant[pick] += 1;
        Quaternion r = quaternionFromMatrix(toMatrix(q));
        // Same rotation; the sign is fixed by w >= 0, up to q.w == 0 itself.
        float sign = (r.x * q.x + r.y * q.y + r.z * q.z + r.w * q.w) < 0.0f ? -1.0f : 1.0f;
        EXPECT_NEAR(sign * r.x, q.x, 2e-6);
        EXPECT_NEAR(sign * r.y, q.y, 2e-6);
        EXPECT_NEAR(sign * r.z, q.z, 2e-6);
        EXPECT_NEAR(sign * r.w, q.w, 2e-6);
        EXPECT_GE(r.w, 0.0f);
        EXPECT_NEAR(r.x * r.x + r.y * r.y + r.z * r.z + r.w * r.w, 1.0f, 1e-6);
    };
    for (int n = 0; n < 400; ++n) {
        double q[4] = {c(rng), c(rng), c(rng), c(rng)};
        double norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        check(Quaternion((float)(q[0] / norm), (float)(q[1] / norm), (float)(q[2] / norm),
                         (float)(q[3] / norm)));
    }
    // Half turns, where w is 0 and one vector component carries everything.
    check(axisAngle(1, 0, 0, 3.14159265));
    check(axisAngle(0, 1, 0, 3.14159265));
    check(axisAngle(0, 0, 1, 3.14159265));
    check(axisAngle(1, 1, 0, 3.14159265));  // x² = y²: the tie goes to y
    for (int i = 0; i < 4; ++i) EXPECT_GT(dominant[i], 5) << "branch " << i;

    // A negative w comes back negated.
    Quaternion negative = quaternionFromMatrix(toMatrix(Quaternion(0.1f, 0.2f, 0.3f, -0.927362f)));
    EXPECT_GT(negative.w, 0.0f);
    EXPECT_NEAR(negative.x, -0.1f, 1e-5);
}
