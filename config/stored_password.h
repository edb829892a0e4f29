// How a server password is kept, in config.json and in memory alike. The
// stored text says by its prefix what it is:
//   "dpapi1:"  Base64 of a blob sealed for the Windows account (no start-up
//              password in force);
//   "aesgcm1:" Base64 of AES-256-GCM under the key the start-up password
//              unlocks;
//   no prefix  the old scramble (Base64 of an XOR with a key every copy of
//              the program shares): read, never written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/app_config.h"

enum class PasswordForm { kAccount, kStartupKey, kOldScramble };

PasswordForm FormOf(std::string_view stored);

// Sealed in the form in force: under the unlocked key when there is one,
// else for the account. False (and *sealed untouched) when the system
// refused.
bool SealPassword(const AppConfig& config, std::string_view plain, std::string* sealed);
// The plain password; false when it cannot be opened here (another account
// or machine, no key or another key, a changed byte).
bool OpenPassword(const AppConfig& config, std::string_view sealed, std::string* plain);
// The same with the key given: empty for none.
bool OpenPasswordWith(std::string_view key, std::string_view sealed, std::string* plain);
bool SealPasswordWith(std::string_view key, std::string_view plain, std::string* sealed);

// Every server's password, and its gateway's, opened with fromKey and sealed
// again with toKey (either empty: the account's protection), into servers.
// Passwords that do not open are dropped, and their servers counted in
// *lost. False when a seal failed: then
// servers may be half done and must be thrown away.
bool ResealPasswords(std::vector<ServerRecord>& servers, std::string_view fromKey, std::string_view toKey,
                     int* lost);

// After the load and the unlock: every stored password into the form in
// force (the old scramble and the account's form are sealed again), each one
// opened once to see that it still can be; of those already sealed for the
// account only a spread sample, unless one of it fails. Those that cannot
// open are dropped and counted, and the user gets one notice with their
// number. True when a stored text changed, so the caller saves.
bool ProtectStoredPasswords(AppConfig& config);

// The old form, for reading files of earlier versions (and for the tests
// that write one).
std::string ScramblePassword(std::string_view data, std::string_view key);
std::string OldScrambledForm(std::string_view plain);
std::string OpenOldScramble(std::string_view stored);
