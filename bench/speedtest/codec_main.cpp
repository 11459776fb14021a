// Entry point of the codec build of speedtest1: the codec's file layer becomes the
// default file system before the benchmark opens its database, as in the program.
// speedtest1.c is compiled with its main renamed and its PRAGMA key replaced by
// sqlite3_key (see run.sh).

#include "store/PageCodec.h"

extern "C" int speedtest1_main(int argc, char **argv);

int main(int argc, char **argv)
{
    pagecodec::ensureRegistered();
    return speedtest1_main(argc, argv);
}
