#pragma once

// Draws Pelwick's pictures from code, so that they can be regenerated at any resolution and
// the same program always yields the same pixels.

#include <QByteArray>
#include <QImage>

#include <vector>

namespace pictures {

// Logical size of the ticker's cigarette picture; `scale` 2 draws it for screens scaled by 2.
inline constexpr int CigaretteWidth = 299;
inline constexpr int CigaretteHeight = 30;

QImage DrawCigarette(int scale);

// The program icon, a lit cigarette lying diagonally with rising smoke, `size` x `size` pixels.
QImage DrawIcon(int size);

// A Windows .ico file holding each image as a 32-bit BMP entry (with alpha and AND mask), the
// form every version of the platform reads.
QByteArray EncodeIco(const std::vector<QImage>& images);

} // namespace pictures
