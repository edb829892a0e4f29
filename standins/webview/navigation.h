// What a navigation URI names, for the loopback server: a virtual host with a
// path, or a file. No operating system.
#pragma once

#include <string>

// "https://<host>[/<path>][?<query>][#<fragment>]": the host (no port, no
// user) and the path with its query, encoded as a URL path; false otherwise.
bool ParseHttpsUri(const std::string& uri, std::string* host, std::string* pathAndQuery);

// "file:///<drive>:/<folders>/<name>[?<query>]" (also "file://localhost/"):
// the file's folder as a Windows path and its name with the query, encoded
// as a URL path; false otherwise.
bool ParseFileUri(const std::string& uri, std::string* folder, std::string* nameAndQuery);

// A virtual host name the runtime accepts: letters, digits, '-' and '.'.
bool IsHostName(const std::string& host);
