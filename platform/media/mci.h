#pragma once
#include <QString>

// A media-control command layer: plays media files through Qt Multimedia, driven by command
// strings such as "open \"<path>\" type MPEGVideo Alias MP3Play", "play MP3Play from 0",
// "status MP3Play mode". Each alias names one device shared by the whole process, so a
// command sent from one window reaches the playback another window started.
//
// Words are separated by blanks; a word holding blanks is written in double quotes
// (no escapes inside). Keywords, device types and aliases are case-insensitive.
//
// Commands:
//   open <file> [type MPEGVideo] [alias <alias>]   the alias defaults to the file; a file the
//                                                  playback system cannot decode is refused
//                                                  (MciInvalidFile), whatever its name
//   play <alias> [from <milliseconds>]             resumes, or starts at the position given
//   pause <alias> | stop <alias> | close <alias>
//   status <alias> mode       replies "playing", "paused" or "stopped"
//   status <alias> position   replies the position in milliseconds
//   status <alias> length     replies the length in milliseconds (0 while unknown)
namespace platform::media {

// Result codes; 0 is success.
enum MciResult : unsigned {
    MciSuccess = 0,
    MciUnrecognizedKeyword = 259,
    MciUnrecognizedCommand = 261,
    MciInvalidDeviceName = 263,
    MciNoPlaybackSystem = 266,
    MciMissingCommandString = 267,
    MciBadInteger = 270,
    MciMissingParameter = 273,
    MciFileNotFound = 275,
    MciDuplicateAlias = 289,
    MciNoClosingQuote = 295,
    MciInvalidFile = 296,
    MciMissingDeviceName = 338,
};

// Runs one command. On success a reply (if the command has one) is stored in *reply;
// on failure *reply is left as it was.
unsigned mciSendString(const QString &command, QString *reply = nullptr);

// A text a user can act on for every non-zero result code.
QString mciGetErrorString(unsigned result);

// The form of a path to put in a command: the path in double quotes, so that blanks stay
// inside one word. A path that cannot be written that way (empty, or holding a double
// quote) gives an empty text, and the open command built with it fails.
QString commandPath(const QString &path);

} // namespace platform::media
