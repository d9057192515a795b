#pragma once
// The alert store stupChngItm.lst in the program folder: the guard alerts the user has not answered
// yet, one quoted-field record of four fields a line. Guards append to it; the alerts window reads it
// and rewrites it after every answer.
#include <string>
#include <vector>

namespace monitors {

inline constexpr char kAlertStoreFile[] = "stupChngItm.lst";

inline constexpr char kStartupRegistryGuard[] = "Startup Registry Guard";
inline constexpr char kStartupFileGuard[] = "Startup File Guard";
inline constexpr char kFavoritesGuard[] = "IE Favorites Guard";
inline constexpr char kHijackGuard[] = "IE Hijack Guard";
inline constexpr char kBhoGuard[] = "IE BHO Guard";

struct GuardAlert {
    std::string guard;     // one of the five guard names
    std::string item;      // value name, shortcut file name, page name, or "BHO Key"
    std::string value;     // data, target, page address or class identifier
    std::string location;  // key, full path or folder of the item
    bool operator==(const GuardAlert&) const = default;
};

std::string AlertStorePath();

// Appends the alert unless the store holds it already (all four fields equal, letter case counting),
// so a change that stays is reported once until it is answered. True when it was appended. Throws
// base::RuntimeError when the store cannot be written.
bool AppendAlert(const GuardAlert& alert);

// The distinct records of the store in the order they first appear. A missing store reads as empty;
// a line that is not a record of four fields is skipped (and counted in `skipped`), the lines after it
// are read. Throws when the store exists but cannot be read, and when a folder stands in its place
// (so AppendAlert and SaveAlertStore, which read first, never write over it).
std::vector<GuardAlert> ReadAlertStore(int* skipped = nullptr);

// Rewrites the store as the window's rows after an answer: `rows` in their order, then every record
// that reached the store since the window read it (neither a row nor `handled`), each record once.
// Throws when the store cannot be written.
void SaveAlertStore(const std::vector<GuardAlert>& rows, const std::vector<GuardAlert>& handled);

}  // namespace monitors
