// GFF3 feature lines: nine tab-separated columns, the ninth a list of
// key=value attributes separated by ';' with percent-encoded values.
#include "convert/gff3.h"

#include <cctype>
#include <charconv>

#include "convert/genbank.h"

#include "util/errors.h"
#include "util/strings.h"

namespace tamsu::detail {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parsePosition(std::string_view text, long long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 1;
}

}  // namespace

std::string percentDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        int high = 0, low = 0;
        if (text[i] == '%' && i + 2 < text.size() && (high = hexValue(text[i + 1])) >= 0 &&
            (low = hexValue(text[i + 2])) >= 0) {
            decoded.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

const std::string* GffFeature::attribute(std::string_view key) const {
    for (const auto& [name, value] : attributes)
        if (name == key) return &value;
    return nullptr;
}

bool GffReader::next(GffFeature& feature) {
    std::string line;
    while (!done_ && file_.next(line)) {
        if (line.empty()) continue;
        if (line.starts_with("##FASTA")) break;
        if (line[0] == '>') {
            pendingHeader_ = line;
            break;
        }
        if (line.starts_with("##sequence-region")) {
            const size_t start = line.find_first_not_of(" \t", 17);
            if (start != std::string::npos) {
                const size_t cut = line.find_first_of(" \t", start);
                regions_.push_back(line.substr(start, cut - start));
                // "##sequence-region seqid start end": the length for origin-spanning features.
                long long from = 0, to = 0;
                if (cut != std::string::npos && std::sscanf(line.c_str() + cut, "%lld %lld", &from, &to) == 2 &&
                    from == 1 && to > 0)
                    lengths_[regions_.back()] = to;
            }
            continue;
        }
        if (line[0] == '#') continue;

        const int number = file_.lineNumber();
        const char* name = path().c_str();
        const std::vector<std::string_view> columns = splitTabs(line);
        if (columns.size() != 9)
            fail(Stream::err, "error: %s line %d: a feature line needs 9 tab-separated columns, found %zu\n", name,
                 number, columns.size());
        feature.seqid = percentDecode(columns[0]);
        feature.type = std::string(columns[2]);
        if (feature.seqid.empty() || feature.type.empty())
            fail(Stream::err, "error: %s line %d: empty sequence id or feature type\n", name, number);
        if (!parsePosition(columns[3], feature.start) || !parsePosition(columns[4], feature.end))
            fail(Stream::err, "error: %s line %d: bad coordinates \"%.*s\" and \"%.*s\" (positive integers needed)\n",
                 name, number, static_cast<int>(columns[3].size()), columns[3].data(),
                 static_cast<int>(columns[4].size()), columns[4].data());
        if (feature.start > feature.end)
            fail(Stream::err, "error: %s line %d: start %lld lies after end %lld\n", name, number, feature.start,
                 feature.end);
        if (columns[6].size() != 1 || std::string_view("+-.?").find(columns[6][0]) == std::string_view::npos)
            fail(Stream::err, "error: %s line %d: unknown strand \"%.*s\" (one of + - . ?)\n", name, number,
                 static_cast<int>(columns[6].size()), columns[6].data());
        feature.strand = columns[6][0];
        feature.phase =
            columns[7].size() == 1 && columns[7][0] >= '0' && columns[7][0] <= '2' ? columns[7][0] - '0' : 0;
        feature.parts.clear();
        feature.line = number;
        feature.attributes.clear();
        if (columns[8] != ".") {
            std::string_view rest = columns[8];
            while (!rest.empty()) {
                const size_t semicolon = rest.find(';');
                std::string_view entry = rest.substr(0, semicolon);
                rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
                while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
                const size_t equals = entry.find('=');
                if (entry.empty() || equals == std::string_view::npos) continue;
                feature.attributes.emplace_back(percentDecode(entry.substr(0, equals)),
                                                percentDecode(entry.substr(equals + 1)));
            }
        }
        return true;
    }
    done_ = true;
    return false;
}

long long GffReader::regionLength(const std::string& seqid) const {
    auto found = lengths_.find(seqid);
    return found == lengths_.end() ? 0 : found->second;
}

void GffReader::readSequences(std::unordered_map<std::string, std::string>& sequences) {
    if (!done_) {
        GffFeature rest;
        while (next(rest)) {
        }
    }
    readFasta(file_, std::move(pendingHeader_), sequences);
    pendingHeader_.clear();
}

void readFasta(LineInput& file, std::string header, std::unordered_map<std::string, std::string>& sequences) {
    std::string* sequence = nullptr;
    std::string line;
    while (true) {
        if (header.empty()) {
            if (!file.next(line)) break;
            if (line.empty() || line[0] != '>') {
                if (sequence != nullptr)
                    for (char c : line)
                        if (!std::isspace(static_cast<unsigned char>(c)))
                            sequence->push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
                continue;
            }
            header = line;
        }
        const size_t end = header.find_first_of(" \t", 1);
        const std::string id = header.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        header.clear();
        auto [entry, added] = sequences.try_emplace(id);
        if (!added)
            fail(Stream::err, "error: %s line %d: sequence \"%s\" given twice\n", file.path().c_str(),
                 file.lineNumber(), id.c_str());
        sequence = &entry->second;
    }
}

std::unique_ptr<FeatureReader> openAnnotationFile(const std::string& path) {
    bool genbank = false;
    {
        LineInput probe(path);
        std::string line;
        while (probe.next(line))
            if (!line.empty()) {
                genbank = line.starts_with("LOCUS ");
                break;
            }
    }
    if (genbank) return std::make_unique<GenBankReader>(path);
    return std::make_unique<GffReader>(path);
}

}  // namespace tamsu::detail
