// The reader's helper program; see ReaderChild.h.
#include "ReaderChild.h"

int main(int argc, char** argv) {
    return ReaderChild::Run(argc, argv);
}
