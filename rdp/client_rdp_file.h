// The .rdp file the external client is started with: the server's address
// and options without any password, in the user's temporary folder under a
// name nobody can know beforehand, readable and writable by this user
// alone. It lives until its owner knows the client has read it, and never
// longer than its owner.
#pragma once

#include <string>

class ClientRdpFile {
public:
    ClientRdpFile() = default;
    ~ClientRdpFile() { Delete(); }
    ClientRdpFile(const ClientRdpFile&) = delete;
    ClientRdpFile& operator=(const ClientRdpFile&) = delete;

    // Creates the file with these bytes; false (and a log record) when it
    // cannot, with nothing left behind.
    bool Write(const std::string& bytes);
    // Empty before Write and after Delete.
    const std::wstring& path() const { return path_; }
    void Delete();

private:
    std::wstring path_;
};
