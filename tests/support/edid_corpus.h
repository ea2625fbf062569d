// The real EDID dumps of ../shared/data/edid, read in place.
#ifndef EDID_CORPUS_H
#define EDID_CORPUS_H

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

struct stCorpusEdid {
    std::string name;
    std::vector<uint8_t> bytes;
    std::map<std::string, std::string> fields; // manifest columns by name
};

// Every file of the manifest; empty when the folder is absent.
std::vector<stCorpusEdid> lstCorpus();
// Why the corpus is not there, for GTEST_SKIP.
std::string strCorpusMissing();

#endif
