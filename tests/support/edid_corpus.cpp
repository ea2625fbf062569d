#include "tests/support/edid_corpus.h"

#include "tests/support/edid_maker.h"

#include <fstream>
#include <sstream>

namespace {

std::vector<std::string> lstSplitTabs(const std::string &line)
{
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, '\t'))
        parts.push_back(part);
    return parts;
}

} // namespace

std::vector<stCorpusEdid> lstCorpus()
{
    std::vector<stCorpusEdid> corpus;
    std::string dir = TAVOLIN_EDID_DATA_DIR;
    std::ifstream manifest(dir + "/MANIFEST.tsv");
    std::string line;
    if (!std::getline(manifest, line))
        return corpus;
    std::vector<std::string> columns = lstSplitTabs(line);
    while (std::getline(manifest, line)) {
        std::vector<std::string> values = lstSplitTabs(line);
        if (values.empty())
            continue;
        stCorpusEdid edid;
        for (size_t i = 0; i < columns.size() && i < values.size(); i++)
            edid.fields[columns[i]] = values[i];
        edid.name = edid.fields["file"];
        edid.bytes = lstReadBytes(dir + "/" + edid.name);
        corpus.push_back(edid);
    }
    return corpus;
}

std::string strCorpusMissing()
{
    return std::string("EDID corpus not found at ") + TAVOLIN_EDID_DATA_DIR;
}
