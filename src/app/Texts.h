#pragma once

// The program's own 8-bit texts, widened through the ANSI code page where they are used
// ("\xF6" is the "ö" of code page 1252).

namespace Texts {

inline constexpr char PromptUsername[] = "Wie lautet dein Name?";
inline constexpr char PromptDOB[] = "In welchem Jahr wurdest du geboren?";
inline constexpr char PromptCigaretteQuantity[] = "Wieviele Zigaretten hast du pro Tag geraucht?";
inline constexpr char PromptCigaretteBoxQuantity[] = "Wieviele Zigaretten waren in einer Packung?";
inline constexpr char PromptCigaretteBoxPrice[] = "Wie hoch war der Preis einer Packung?";
inline constexpr char PromptStoppingDate[] = "An welchem Tag hast du mit dem Rauchen aufgeh\xF6rt?";
inline constexpr char FilterDigits[] = "0123456789";
inline constexpr char FilterPrice[] = "0123456789,";
inline constexpr char ButtonNextText[] = "Weiter >>";
inline constexpr char ButtonFinishText[] = "Fertig";

} // namespace Texts
