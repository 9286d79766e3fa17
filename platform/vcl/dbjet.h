// The statement dialect of the stored programs and files, mapped onto SQLite.
//
// The application's statements were written for a Jet engine ("delete * from", extra blanks,
// named parameters such as ":f1"). These helpers turn such a statement into one SQLite runs with
// the same meaning, list its parameters, and read the parts of a connection string that matter.
// They are plain text functions so that they can be tested without a database.
#pragma once

#include <string>
#include <vector>

// Rewrites the Jet forms SQLite does not accept: "delete * from" (any blanks, any case, also
// "delete t.* from") becomes "delete from"; a trailing ";" and blanks are dropped. Text inside
// quotes, brackets and comments is never touched. Everything else passes through unchanged,
// because SQLite already accepts extra blanks, "Is Null" in any case and ":name" parameters.
std::string JetSqlToSqlite(const std::string& Sql);

// Names of the ":name" parameters of Sql (without the colon), each once, in order of first
// appearance. Colons inside quoted text, brackets and comments, and "::" do not start a name.
std::vector<std::string> ParseSqlParamNames(const std::string& Sql);

// The value of Key in a "Key=Value;Key=Value" connection string (keys compared without regard to
// case, blanks around keys and values trimmed, a value may be enclosed in double quotes); empty
// when the key is absent.
std::string ConnectionStringValue(const std::string& ConnectionString, const std::string& Key);

// True when a statement returns rows (select, pragma, values, with ... select).
bool SqlReturnsRows(const std::string& Sql);

// ASCII letters compared without regard to case; other bytes (UTF-8 text) compared as they are.
// This is the comparison the schema's COLLATE NOCASE applies, so Locate and the engine agree.
bool SameTextNoCase(const std::string& A, const std::string& B);
