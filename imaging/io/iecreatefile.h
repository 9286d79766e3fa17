// File creation by a wide (UTF-16) file name, as the wide-name file streams need it.
#pragma once

#include <cstdint>
#include <string>

// Access rights, sharing and creation dispositions of IECreateFileW.
constexpr uint32_t IEGenericRead = 0x80000000u, IEGenericWrite = 0x40000000u;
constexpr uint32_t IEFileShareRead = 1, IEFileShareWrite = 2;
constexpr uint32_t IECreateNew = 1, IECreateAlways = 2, IEOpenExisting = 3, IEOpenAlways = 4,
                   IETruncateExisting = 5;
// The handle IECreateFileW answers on failure.
constexpr intptr_t IEInvalidFileHandle = -1;

// Opens or creates the file: the name is converted to the system's 8-bit (UTF-8) form and the
// system's call made with the access, sharing and creation disposition given (the template,
// flags and attributes and the security attributes have no meaning here). Answers the file
// descriptor (closed with close()), or IEInvalidFileHandle with errno set.
intptr_t IECreateFileW(const std::u16string& FileName, uint32_t Access, uint32_t Sharing, intptr_t Template,
                       uint32_t FlagsAndAttributes, uint32_t CreationDisposition, void* SecurityAttributes);
