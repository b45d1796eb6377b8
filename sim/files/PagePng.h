// A page image as a PNG file, written in time proportional to what is printed on it.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

// A page is 13 MB of pixels, nearly all of them blank paper or border, and a
// host can eject a page with two bytes of print data. So the rows that were
// never drawn on are not compressed again for every page: their compressed
// form is made once and copied, and only the rows drawn on are compressed.
//
// The file is a plain 8-bit palette PNG (no filters, one IDAT chunk, the
// page's resolution in pHYs) that any reader takes.
namespace PagePng {

// `page` is a page image as PageRenderer makes it (PageGeometry's size,
// Format_Indexed8 with its palette). `drawnRows[y]` nonzero marks an image
// row that may differ from the blank sheet; every other row must be blank.
// Without `drawnRows` every row of the paper is compressed (the border around
// it is never drawn on: drawing stops at the paper's edge). False with a reason when the
// file cannot be written (or the image is not a page).
bool Write(const QImage& page, const std::vector<uint8_t>* drawnRows, const std::string& path, std::string& reason);

// The same file's bytes, in memory.
bool Encode(const QImage& page, const std::vector<uint8_t>* drawnRows, std::vector<uint8_t>& file,
            std::string& reason);

}  // namespace PagePng
