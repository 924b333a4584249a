// Cairo canvases, fonts, blurs and noise for the interface art.
#include "content/draw2d.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

Canvas canvasCreate(int width, int height) {
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    canvas.cr = cairo_create(canvas.surface);
    cairo_set_antialias(canvas.cr, CAIRO_ANTIALIAS_GOOD);
    return canvas;
}

void canvasDestroy(Canvas& canvas) {
    if (canvas.cr) cairo_destroy(canvas.cr);
    if (canvas.surface) cairo_surface_destroy(canvas.surface);
    canvas = Canvas();
}

Image canvasImage(Canvas& canvas, int channels) {
    cairo_surface_flush(canvas.surface);
    Image image = makeImage(canvas.width, canvas.height, channels);
    const uint8_t* data = cairo_image_surface_get_data(canvas.surface);
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    for (int y = 0; y < canvas.height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < canvas.width; ++x) {
            const uint32_t argb = row[x];
            const uint32_t a = argb >> 24, r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
            uint8_t* p = imagePixel(image, x, y);
            if (channels == 3) {
                p[0] = static_cast<uint8_t>(r);
                p[1] = static_cast<uint8_t>(g);
                p[2] = static_cast<uint8_t>(b);
            } else {
                // Undo the premultiplication, rounding to nearest.
                p[0] = static_cast<uint8_t>(a ? std::min<uint32_t>(255, (r * 255 + a / 2) / a) : 0);
                p[1] = static_cast<uint8_t>(a ? std::min<uint32_t>(255, (g * 255 + a / 2) / a) : 0);
                p[2] = static_cast<uint8_t>(a ? std::min<uint32_t>(255, (b * 255 + a / 2) / a) : 0);
                p[3] = static_cast<uint8_t>(a);
            }
        }
    }
    return image;
}

Image canvasFinish(Canvas& canvas, int channels) {
    Image image = canvasImage(canvas, channels);
    canvasDestroy(canvas);
    return image;
}

// Box passes over four interleaved premultiplied channels; samples beyond
// the border repeat the edge, so borders neither darken nor wrap.
static void boxPassRows(const std::vector<float>& src, std::vector<float>& dst, int w, int h, int radius) {
    const float scale = 1.0f / (2 * radius + 1);
    for (int y = 0; y < h; ++y) {
        const float* in = &src[static_cast<size_t>(y) * w * 4];
        float* out = &dst[static_cast<size_t>(y) * w * 4];
        float sum[4] = {0, 0, 0, 0};
        for (int i = -radius; i <= radius; ++i)
            for (int c = 0; c < 4; ++c) sum[c] += in[std::clamp(i, 0, w - 1) * 4 + c];
        for (int x = 0; x < w; ++x) {
            const float* add = &in[std::min(x + radius + 1, w - 1) * 4];
            const float* drop = &in[std::max(x - radius, 0) * 4];
            for (int c = 0; c < 4; ++c) {
                out[x * 4 + c] = sum[c] * scale;
                sum[c] += add[c] - drop[c];
            }
        }
    }
}

// The vertical pass sweeps whole rows at a time, keeping one running sum per
// column, so it reads memory in order.
static void boxPassColumns(const std::vector<float>& src, std::vector<float>& dst, int w, int h, int radius) {
    const float scale = 1.0f / (2 * radius + 1);
    const size_t row = static_cast<size_t>(w) * 4;
    static std::vector<float> sum;
    sum.assign(row, 0.0f);
    for (int i = -radius; i <= radius; ++i) {
        const float* in = &src[std::clamp(i, 0, h - 1) * row];
        for (size_t k = 0; k < row; ++k) sum[k] += in[k];
    }
    for (int y = 0; y < h; ++y) {
        float* out = &dst[y * row];
        const float* add = &src[std::min(y + radius + 1, h - 1) * row];
        const float* drop = &src[std::max(y - radius, 0) * row];
        for (size_t k = 0; k < row; ++k) {
            out[k] = sum[k] * scale;
            sum[k] += add[k] - drop[k];
        }
    }
}

void canvasBlur(Canvas& canvas, int radius) {
    if (radius < 1) return;
    cairo_surface_flush(canvas.surface);
    const int w = canvas.width, h = canvas.height;
    uint8_t* data = cairo_image_surface_get_data(canvas.surface);
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    // Kept between calls: the big glows would otherwise spend most of their
    // time clearing fresh pages. The interface art is drawn on one thread.
    static std::vector<float> a, b;
    if (a.size() < static_cast<size_t>(w) * h * 4) {
        a.resize(static_cast<size_t>(w) * h * 4);
        b.resize(a.size());
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t v = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride)[x];
            for (int c = 0; c < 4; ++c) a[(static_cast<size_t>(y) * w + x) * 4 + c] = (v >> (8 * c)) & 255;
        }
    // Three box passes of a third of the radius each approximate a Gaussian.
    const int r = std::max(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxPassRows(a, b, w, h, r);
        boxPassColumns(b, a, w, h, r);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t v = 0;
            for (int c = 0; c < 4; ++c) {
                const float q = a[(static_cast<size_t>(y) * w + x) * 4 + c] + 0.5f;
                v |= static_cast<uint32_t>(std::clamp(q, 0.0f, 255.0f)) << (8 * c);
            }
            // Keep the premultiplied invariant (no channel above alpha) after rounding.
            const uint32_t al = v >> 24;
            uint32_t rr = std::min((v >> 16) & 255, al), gg = std::min((v >> 8) & 255, al),
                     bb = std::min(v & 255, al);
            reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride)[x] =
                (al << 24) | (rr << 16) | (gg << 8) | bb;
        }
    cairo_surface_mark_dirty(canvas.surface);
}

void canvasCompose(Canvas& target, Canvas& source, cairo_operator_t op, double alpha) {
    cairo_surface_flush(source.surface);
    cairo_save(target.cr);
    cairo_identity_matrix(target.cr);
    cairo_set_operator(target.cr, op);
    cairo_set_source_surface(target.cr, source.surface, 0, 0);
    cairo_paint_with_alpha(target.cr, alpha);
    cairo_restore(target.cr);
}

void composeShade(Canvas& canvas, Canvas& shade, int blurRadius) {
    canvasBlur(shade, blurRadius);
    canvasCompose(canvas, shade, CAIRO_OPERATOR_OVER);
    canvasDestroy(shade);
}

static const char* const kFontFiles[FontCount] = {
    "DejaVuSans-Bold.ttf",          "DejaVuSans-BoldOblique.ttf",
    "DejaVuSansCondensed-Bold.ttf", "DejaVuSansCondensed-BoldOblique.ttf",
    "DejaVuSansMono-Bold.ttf",      "DejaVuSans.ttf",
};
static const char* const kFontFolders[] = {"/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/dejavu/",
                                           "/usr/local/share/fonts/"};

static FT_Library fontLibrary = nullptr;
static FT_Face fontFaces[FontCount];
static cairo_font_face_t* fontCairoFaces[FontCount];

static cairo_font_face_t* fontFace(FontId font) {
    if (fontCairoFaces[font]) return fontCairoFaces[font];
    if (!fontLibrary && FT_Init_FreeType(&fontLibrary) != 0) fontLibrary = nullptr;
    if (fontLibrary) {
        for (const char* folder : kFontFolders) {
            const std::string path = std::string(folder) + kFontFiles[font];
            if (FT_New_Face(fontLibrary, path.c_str(), 0, &fontFaces[font]) == 0) {
                fontCairoFaces[font] =
                    cairo_ft_font_face_create_for_ft_face(fontFaces[font], FT_LOAD_NO_HINTING);
                return fontCairoFaces[font];
            }
        }
    }
    // Without the DejaVu files the art still gets made, in whatever sans face the system offers.
    std::fprintf(stderr, "korvask-content: %s not found, using a system font\n", kFontFiles[font]);
    const bool bold = font != FontSans;
    const bool oblique = font == FontSansBoldOblique || font == FontCondensedBoldOblique;
    fontCairoFaces[font] =
        cairo_toy_font_face_create(font == FontMonoBold ? "monospace" : "sans-serif",
                                   oblique ? CAIRO_FONT_SLANT_OBLIQUE : CAIRO_FONT_SLANT_NORMAL,
                                   bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    return fontCairoFaces[font];
}

std::string fontFilePath(FontId font) {
    for (const char* folder : kFontFolders) {
        const std::string path = std::string(folder) + kFontFiles[font];
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
            return path;
        }
    }
    return std::string();
}

void setFont(cairo_t* cr, FontId font, double size) {
    cairo_set_font_face(cr, fontFace(font));
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

void releaseArtFonts() {
    for (int i = 0; i < FontCount; ++i) {
        if (fontCairoFaces[i]) cairo_font_face_destroy(fontCairoFaces[i]);
        fontCairoFaces[i] = nullptr;
    }
    // Cairo may keep a face alive in its caches; reset them before FreeType goes.
    cairo_debug_reset_static_data();
    for (int i = 0; i < FontCount; ++i) {
        if (fontFaces[i]) FT_Done_Face(fontFaces[i]);
        fontFaces[i] = nullptr;
    }
    if (fontLibrary) FT_Done_FreeType(fontLibrary);
    fontLibrary = nullptr;
}

double textWidth(cairo_t* cr, const char* text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    return extents.x_advance;
}

void textPathCentred(cairo_t* cr, const char* text, double cx, double baselineY) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_move_to(cr, cx - extents.x_bearing - extents.width / 2, baselineY);
    cairo_text_path(cr, text);
}

void setRgba(cairo_t* cr, uint32_t rgb, double alpha) {
    cairo_set_source_rgba(cr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0,
                          alpha);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    const double pi = 3.14159265358979;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(cr, x + r, y + r, r, pi, 1.5 * pi);
    cairo_close_path(cr);
}

static double latticeValue(int x, int y, uint32_t seed) {
    uint32_t h =
        static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / 16777215.0;
}

double tileNoise(double x, double y, int period, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto wrap = [period](int v) { return ((v % period) + period) % period; };
    const double a = latticeValue(wrap(x0), wrap(y0), seed), b = latticeValue(wrap(x0 + 1), wrap(y0), seed);
    const double c = latticeValue(wrap(x0), wrap(y0 + 1), seed),
                 d = latticeValue(wrap(x0 + 1), wrap(y0 + 1), seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double tileFbm(double x, double y, int period, int octaves, uint32_t seed) {
    double sum = 0, amplitude = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * tileNoise(x, y, period, seed + i * 101u);
        norm += amplitude;
        x *= 2;
        y *= 2;
        period *= 2;
        amplitude *= 0.5;
    }
    return sum / norm;
}
