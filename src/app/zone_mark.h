#pragma once
#include <string>

// Files that came from the network (a link download, a file received on the
// transfer port) carry the mark Windows gives to files from the Internet:
// the "Zone.Identifier" stream beside the file's content. Windows and the
// programs that open such a file then warn or refuse before running it.

// The stream's text: "[ZoneTransfer]", "ZoneId=3" and, when given, the
// address the file was fetched from ("HostUrl=") and the page that named it
// ("ReferrerUrl="), each line ending in CR LF. An address holding a control
// character is left out rather than let it add lines of its own.
std::string zone_identifier_text(const std::wstring& host_url = {}, const std::wstring& referrer_url = {});

// Writes the stream on the file at `path`, replacing any the file has.
// False when it could not be written (a file system without streams, such
// as FAT, has no place for it): the file stays as it is and is still kept.
bool mark_from_internet(const std::wstring& path, const std::wstring& host_url = {},
                        const std::wstring& referrer_url = {});

// Tests: each call of mark_from_internet is told to `observer` (path and
// the text it wrote or tried to write); null ends that.
using ZoneMarkObserver = void (*)(const std::wstring& path, const std::string& text);
void observe_zone_marks(ZoneMarkObserver observer);
