#pragma once

#include <cstdint>
#include <memory>
#include <QString>

// The few registry operations the program needs, behind a facade so each
// platform can keep its Run entries where its desktop looks for them.
// Status codes are the Windows ones, so callers read the same everywhere.
using RegStatus = long;
namespace RegResult
{
constexpr RegStatus Success = 0;           // ERROR_SUCCESS
constexpr RegStatus FileNotFound = 2;      // ERROR_FILE_NOT_FOUND
constexpr RegStatus AccessDenied = 5;      // ERROR_ACCESS_DENIED
constexpr RegStatus WriteFault = 29;       // ERROR_WRITE_FAULT
constexpr RegStatus InvalidParameter = 87; // ERROR_INVALID_PARAMETER
} // namespace RegResult

enum class Hive : std::uint32_t {
    CurrentUser = 0x80000001,  // HKEY_CURRENT_USER
    LocalMachine = 0x80000002, // HKEY_LOCAL_MACHINE
};

enum class RegType : std::uint32_t {
    String = 1, // REG_SZ, the only type the program writes
};

// An open key; closing it is its destruction.
class RegistryKey
{
public:
    virtual ~RegistryKey() = default;
    virtual RegStatus setValue(const QString& name, RegType type, const QString& data) = 0;
    // Deleting a value that is not there answers FileNotFound and changes nothing.
    virtual RegStatus deleteValue(const QString& name) = 0;
};

class Registry
{
public:
    virtual ~Registry() = default;

    // Opens a key for setting and deleting values. Answers nullptr, with the
    // reason in *status, when the key cannot be opened (no rights, unknown key).
    virtual std::unique_ptr<RegistryKey> openKey(Hive hive, const QString& path,
                                                 RegStatus* status = nullptr) = 0;

    // The command line that starts `program` without arguments, quoted the
    // way this platform's Run entries need it (a path may hold spaces).
    virtual QString commandLineFor(const QString& program) const = 0;

    // Keeps a machine-wide Run value that this user may not delete from
    // starting anything at this user's logon.
    virtual RegStatus suppressForUser(const QString& valueName) = 0;
};

// The registry of the platform the program runs on. Paths are resolved on
// every open, so the environment of the moment decides where values go.
std::unique_ptr<Registry> makeSystemRegistry();
