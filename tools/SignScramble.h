#pragma once
// The scrambling direction of the sign texts, for the database tooling only:
// the program itself holds no way to scramble.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// The stored form of plain: the transform of DescrambleSignText undone (for
// each cycle in reverse order, the backward pass undone before the forward
// pass), written as upper-case hexadecimal digit pairs.
QByteArray ScrambleSignText(QByteArrayView plain, std::uint16_t key, std::int32_t cycles);
