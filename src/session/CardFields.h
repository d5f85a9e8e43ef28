#pragma once

// The card's boxes by name; the values are the boxes' element numbers.
enum class BzD { Familiya = 0, Imya = 1, Otchestvo = 2, DenRozhd = 3, GodRozhd = 4, TelDom = 5, TelRab = 6 };
inline constexpr int kBzDCount = 7;

// The purchase panel's boxes by name; the values are the boxes' element numbers.
enum class PokupkaField {
    Familiya = 0,
    Telephon1 = 1,
    Telephon2 = 2,
    Day = 3,
    God = 4,
    Summa = 5,
    Izdelie = 6,
    SerNomer = 7,
};
inline constexpr int kPokupkaFieldCount = 8;
