#pragma once
// The option globals: each mirrors one key of the settings store (loaded at start-up, saved at
// shut-down and by the options window), plus the run-wide flags every subsystem reads.
// All start zero: false, 0, empty text.
#include <string>

// Options, in the order the settings load reads them.
inline std::string gb_languageFile{};
inline bool gb_markChecked{};
inline std::string gb_definitionsPath{};
inline bool gb_startupGuard{};
inline bool gb_ieFavoriteGuard{};
inline bool gb_ieHijackGuard{};
inline bool gb_bhoGuard{};
inline bool gb_ieDefaultPageGuard{};
inline bool gb_ieRestoreHomePageAutomatic{};
inline std::string gb_ieDefaultHomePage{};
inline bool gb_autoCheckForUpdate{};
inline bool gb_useDelayedStartup{};
inline bool gb_useProxy{};
inline std::string gb_proxID{};
inline std::string gb_proxPass{};
inline std::string gb_proxPort{};
inline std::string gb_proxServer{};
inline bool gb_spywareAdware{};
inline bool gb_contextMenu{};
inline bool gb_showPopup{};
inline bool gb_enablePassword{};
inline bool gb_delBckAfterDys{};
inline short gb_numberDays{};
inline bool gb_dialers{};
inline bool gb_keyLoggers{};
inline bool gb_advancedScanning{};
inline bool gb_allCookies{};
inline bool gb_trojans{};
inline bool gb_playSounds{};
inline bool gb_scanRestoreFolder{};
inline bool gb_scanBHO{};
inline bool gb_runStartup{};
inline bool gb_runCustomSched{};
inline bool gb_useSplash{};
inline bool gb_rememWinPos{};
inline bool gb_snapWinBorder{};
inline bool gb_useGridlines{};
inline std::string gb_scheduleType{};
inline std::string gb_dayTime{};
inline std::string gb_minuteValue{};
inline std::string gb_hourValue{};
inline std::string gb_dayName{};
inline std::string gb_monthDate{};
inline bool gb_deleteAfterReboot{};
inline bool gb_autoRemove{};
inline bool gb_deleteBackupAfterRestore{};
inline bool gb_scanAllUserAccounts{};
inline bool gb_skipNonExeFiles{};
inline std::string gb_logFileName{};
inline std::string gb_backupPath{};

// The startup page's messages 1018-1020, filled each time the System Guards window sets its
// captions; the add-startup-item dialog shows index 1.
inline std::string gb_startupMessages[3]{};

// Derived at load, never stored.
inline std::string gb_scanLogFile;     // this run's scan log
inline std::string gb_cookiesFolder;   // current user's cookies folder, with a trailing backslash
inline std::string gb_contextMenuDll;  // the context-menu extension in the program folder
inline bool gb_passwordAccepted{};     // the start-up password was accepted in this session

// Run-wide flags.
inline bool gb_scanAborted{};    // stop flag: every scan loop, loader and walker ends when it is set
inline bool gb_scanBusy{};       // a scan or a removal runs; guard pop-ups wait
inline long gb_progressCount{};  // progress of the running scan
inline bool gb_removalFailed{};  // some item of the last removal could not be removed
