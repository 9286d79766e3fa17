// The script engine's message texts.
#pragma once

inline constexpr const char* SLangNotFound = "Language '%s' not found";
inline constexpr const char* SInvalidLanguage = "Invalid language definition";
inline constexpr const char* SIdentRedeclared = "Identifier redeclared: ";
inline constexpr const char* SUnknownType = "Unknown type: ";
inline constexpr const char* SIncompatibleTypes = "Incompatible types";
inline constexpr const char* SUndeclaredIdent = "Undeclared identifier: ";
inline constexpr const char* SClassRequired = "Class type required";
inline constexpr const char* SIndexRequired = "Index required";
inline constexpr const char* SStringError = "Strings doesn't have properties or methods";
inline constexpr const char* SClassError = "Class %s does not have a default property";
inline constexpr const char* SArrayRequired = "Array type required";
inline constexpr const char* SVarRequired = "Variable required";
inline constexpr const char* SNotEnoughParams = "Not enough actual parameters";
inline constexpr const char* STooManyParams = "Too many actual parameters";
inline constexpr const char* SLeftCantAssigned = "Left side cannot be assigned to";
inline constexpr const char* SForError = "For loop variable must be numeric variable";
inline constexpr const char* SEventError = "Event handler must be a procedure";
inline constexpr const char* SBreakOutsideLoop = "BREAK or CONTINUE outside of loop";
inline constexpr const char* SArrayTooLarge = "Array too large";
inline constexpr const char* SStatementExpected = "Statement expected";
inline constexpr const char* SUnterminatedComment = "Unterminated comment";
inline constexpr const char* SNestedTooDeeply = "Program nested too deeply";
inline constexpr const char* SStackOverflow = "Stack overflow: too many nested calls of ";

// Script arrays hold at most this many elements: a larger declaration or VarArrayCreate is an
// error with a message instead of an allocation failure.
inline constexpr long long scMaxArrayElements = 1LL << 24;
