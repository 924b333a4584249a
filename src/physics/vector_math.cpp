// Out-of-line vector, matrix, transform and quaternion operations.
#include <cmath>

#include "physics/physics_local.h"

float length(const Vector3& a) {
    float q = dot(a, a);
    if (isNearZero(q)) return 0.0f;
    return std::sqrt(q);
}

void normalise(Vector3& a) {
    float len = length(a);
    if (len != 0.0f) {
        a *= 1.0f / len;
    } else {
        a.x = 0.0f;
        a.y = 0.0f;
        a.z = 0.0f;
    }
}

// Ground-plane bearing of v: 0 along +x, positive towards -z (the car's left).
static float bearing(const Vector3& v) {
    float len = length(v);
    if (len == 0.0f) {
        return NAN;  // no direction: the heading comes out as 0
    }
    float c = v.x / len;
    // Rounding can push |c| a hair past 1; acos would then give NaN and wipe
    // out a perfectly good angle.
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    float h = std::acos(c);
    return v.z > 0.0f ? -h : h;
}

float headingAngle(const Vector3& a, const Vector3& b) {
    float r = bearing(b) - bearing(a);
    if (r > 3.14159f) {
        r = -std::fabs(6.28318f - r);
    }
    if (r < -3.14159f) {
        r = std::fabs(r + 6.28318f);
    }
    if (std::isnan(r)) {
        r = 0.0f;
    }
    return r;
}

Matrix3 transpose(const Matrix3& m) {
    return Matrix3(Vector3(m.rows[0].x, m.rows[1].x, m.rows[2].x),
                   Vector3(m.rows[0].y, m.rows[1].y, m.rows[2].y),
                   Vector3(m.rows[0].z, m.rows[1].z, m.rows[2].z));
}

Matrix3 fromEulerXYZ(const Vector3& angles) {
    float c0 = std::cos(angles[0]), s0 = std::sin(angles[0]);
    float c1 = std::cos(angles[1]), s1 = std::sin(angles[1]);
    float c2 = std::cos(angles[2]), s2 = std::sin(angles[2]);
    Matrix3 rx(Vector3(1.0f, 0.0f, 0.0f), Vector3(0.0f, c0, s0), Vector3(0.0f, -s0, c0));
    Matrix3 ry(Vector3(c1, 0.0f, -s1), Vector3(0.0f, 1.0f, 0.0f), Vector3(s1, 0.0f, c1));
    Matrix3 rz(Vector3(c2, s2, 0.0f), Vector3(-s2, c2, 0.0f), Vector3(0.0f, 0.0f, 1.0f));
    return rx * (ry * rz);
}

Transform compose(const Transform& a, const Transform& b) {
    Transform t;
    t.rotation = b.rotation * a.rotation;
    t.position = rotate(b.position, a.rotation) + a.position;
    return t;
}

// Eight multiplications instead of sixteen; the factors regroup the plain
// Hamilton formula so its sums of products share terms.
Quaternion operator*(const Quaternion& a, const Quaternion& b) {
    float e = (a.x + a.z) * (b.x + b.y);
    float f = (a.z - a.x) * (b.x - b.y);
    float g = (a.w + a.y) * (b.w - b.z);
    float h = (a.w - a.y) * (b.w + b.z);
    float r = e + g + h;
    float t = (f + r) * 0.5f;
    return Quaternion((a.w + a.x) * (b.w + b.x) + t - r, t + (a.w - a.x) * (b.y + b.z) - h,
                      t + (a.z + a.y) * (b.w - b.x) - g, t + (a.z - a.y) * (b.y - b.z) - e);
}

Matrix3 toMatrix(const Quaternion& q) {
    float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    float xw = q.x * q.w, yw = q.y * q.w, zw = q.z * q.w;
    return Matrix3(Vector3(1.0f - 2.0f * (yy + zz), 2.0f * (xy + zw), 2.0f * (xz - yw)),
                   Vector3(2.0f * (xy - zw), 1.0f - 2.0f * (xx + zz), 2.0f * (yz + xw)),
                   Vector3(2.0f * (xz + yw), 2.0f * (yz - xw), 1.0f - 2.0f * (xx + yy)));
}

// Rᵀ·(I⁻¹·R) written out: it runs twice per body and sub-step. The sums keep
// the order of the matrix product; a diagonal I⁻¹ (the only kind setInertia
// makes) skips its zero terms, which changes no finite result.
Matrix3 worldInverseInertia(const Matrix3& rotation, const Matrix3& inverseInertia) {
    const Vector3& r0 = rotation.rows[0];
    const Vector3& r1 = rotation.rows[1];
    const Vector3& r2 = rotation.rows[2];
    const Vector3& d0 = inverseInertia.rows[0];
    const Vector3& d1 = inverseInertia.rows[1];
    const Vector3& d2 = inverseInertia.rows[2];
    Vector3 b0, b1, b2;  // I⁻¹·R
    if (d0.y == 0.0f && d0.z == 0.0f && d1.x == 0.0f && d1.z == 0.0f && d2.x == 0.0f && d2.y == 0.0f) {
        b0 = Vector3(d0.x * r0.x, d0.x * r0.y, d0.x * r0.z);
        b1 = Vector3(d1.y * r1.x, d1.y * r1.y, d1.y * r1.z);
        b2 = Vector3(d2.z * r2.x, d2.z * r2.y, d2.z * r2.z);
    } else {
        b0 = rotate(d0, rotation);
        b1 = rotate(d1, rotation);
        b2 = rotate(d2, rotation);
    }
    Matrix3 m;
    m.rows[0] = Vector3(r0.x * b0.x + r1.x * b1.x + r2.x * b2.x, r0.x * b0.y + r1.x * b1.y + r2.x * b2.y,
                        r0.x * b0.z + r1.x * b1.z + r2.x * b2.z);
    m.rows[1] = Vector3(r0.y * b0.x + r1.y * b1.x + r2.y * b2.x, r0.y * b0.y + r1.y * b1.y + r2.y * b2.y,
                        r0.y * b0.z + r1.y * b1.z + r2.y * b2.z);
    m.rows[2] = Vector3(r0.z * b0.x + r1.z * b1.x + r2.z * b2.x, r0.z * b0.y + r1.z * b1.y + r2.z * b2.y,
                        r0.z * b0.z + r1.z * b1.z + r2.z * b2.z);
    return m;
}

Quaternion quaternionAddScaled(const Quaternion& a, const Quaternion& rate, float s) {
    return Quaternion(a.x + rate.x * s, a.y + rate.y * s, a.z + rate.z * s, a.w + rate.w * s);
}

Quaternion normalisedQuaternion(const Quaternion& q) {
    float len = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(len > 0.0f) || !std::isfinite(len)) return Quaternion();
    float inv = 1.0f / len;
    return Quaternion(q.x * inv, q.y * inv, q.z * inv, q.w * inv);
}

Quaternion quaternionFromMatrix(const Matrix3& m) {
    const float m00 = m.rows[0].x, m01 = m.rows[0].y, m02 = m.rows[0].z;
    const float m10 = m.rows[1].x, m11 = m.rows[1].y, m12 = m.rows[1].z;
    const float m20 = m.rows[2].x, m21 = m.rows[2].y, m22 = m.rows[2].z;
    float squares[4] = {
        (1.0f + m00 + m11 + m22) * 0.25f,  // w²
        (1.0f + m00 - m11 - m22) * 0.25f,  // x²
        (1.0f - m00 + m11 - m22) * 0.25f,  // y²
        (1.0f - m00 - m11 + m22) * 0.25f,  // z²
    };
    // Strict comparisons in the order w, x, y, z: a tie goes to the later one.
    int pick = 0;
    for (int i = 1; i < 4; ++i) {
        if (squares[i] >= squares[pick]) pick = i;
    }
    // Only a matrix that is no rotation can make every square zero or less;
    // it gets the identity rather than a division by zero.
    float big = std::sqrt(squares[pick] > 0.0f ? squares[pick] : 0.0f);
    Quaternion q;
    if (big == 0.0f) return q;
    float k = 0.25f / big;
    switch (pick) {
        case 0:
            q = Quaternion(k * (m12 - m21), k * (m20 - m02), k * (m01 - m10), big);
            break;
        case 1:
            q = Quaternion(big, k * (m10 + m01), k * (m02 + m20), k * (m12 - m21));
            break;
        case 2:
            q = Quaternion(k * (m10 + m01), big, k * (m21 + m12), k * (m20 - m02));
            break;
        default:
            q = Quaternion(k * (m02 + m20), k * (m21 + m12), big, k * (m01 - m10));
            break;
    }
    if (q.w < 0.0f) q = Quaternion(-q.x, -q.y, -q.z, -q.w);
    return normalisedQuaternion(q);
}
