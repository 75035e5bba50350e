// A partial file needs nothing of the system beyond File and RandomHex, so
// Windows builds the same implementation as POSIX: one piece of code for
// one piece of logic.
#include "../posix/PartialFile.cc"
