#pragma once
// Globals of the definition loading.

// The seven definition-group load flags that loadDataBase(false) reads (and never resets). The
// scan drivers do not use them: they pass their groups to loadDataBase (DefinitionGroups).
inline bool gb_loadRegSDefs{};     // REGS
inline bool gb_loadRegVDefs{};     // REGV
inline bool gb_loadRegDataDefs{};  // REGD
inline bool gb_loadRegKDefs{};     // REGK and REGKO
inline bool gb_loadCookieDefs{};   // COOK
inline bool gb_loadHostsDefs{};    // HOSTS
inline bool gb_loadFileDefs{};     // the file and folder groups (and, with advanced scanning, the file properties)

// True after a load that included the file groups: the file search then runs its
// file-property search too.
inline bool gb_fileGroupsLoaded{};

// The start-up memory check: while it runs a matching process only raises the hit flag.
inline bool gb_fastMemoryScan{};
inline bool gb_fastScanHit{};
