#pragma once
#include <string>
#include <string_view>

// Appends name as GNU ls --quoting-style=shell-escape shows it: as it is
// when no shell would read it otherwise; else in single quotes (double ones
// for a name whose only trouble is a single quote), with each byte that is no
// printable text written as $'\n' or $'\ooo'. A shell reads back exactly the
// name, so a listing's line is always one file.
void AppendShellQuoted(std::string& out, std::string_view name);
// name quoted so, on its own: how every line names a file.
std::string ShellQuoted(std::string_view name);
