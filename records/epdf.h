// A small PDF writer over libharu: pages in points, text in a built-in font, JPEG pictures.
// The document is kept in memory and written on close beside its destination, then renamed.
#pragma once

struct EPDF;

// Fonts by name: "EN" is Helvetica.
EPDF* epdf_new(const char* path);
int epdf_page(EPDF* pdf, float width, float height);
int epdf_setrgbfill(EPDF* pdf, float r, float g, float b);
// Text at (x, y) of the current page (origin at the bottom left). Bytes outside printable ASCII
// are shown as '?'.
int epdf_textshow(EPDF* pdf, const char* font, float size, float x, float y, const char* text);
float epdf_textwidth(EPDF* pdf, const char* font, float size, const char* text);
// A JPEG file placed with its lower left corner at (x, y), scaled to width x height.
int epdf_imageshow(EPDF* pdf, const char* jpegPath, float x, float y, float width, float height);
// Writes the file (0) or reports that any step failed (-1); frees the document either way.
int epdf_close(EPDF* pdf);
