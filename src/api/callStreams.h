// The two output streams of one library call.
#pragma once

#include <cstdio>
#include <memory>
#include <unordered_map>

#include "driver/runDriver.h"
#include "tamsu/tamsu.h"
#include "util/errors.h"

namespace tamsu {

// The context's streams for the length of a call; a null stream writes to
// /dev/null.
class CallStreams {
public:
    CallStreams(FILE* out, FILE* err) : out_(out), err_(err) {
        if (out_ == nullptr || err_ == nullptr) {
            sink_.reset(std::fopen("/dev/null", "w"));
            if (!sink_) detail::fail(Stream::err, "error: cannot open /dev/null to silence the run\n");
            if (out_ == nullptr) out_ = sink_.get();
            if (err_ == nullptr) err_ = sink_.get();
        }
    }
    FILE* out() const { return out_; }
    FILE* err() const { return err_; }

private:
    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    FILE* out_;
    FILE* err_;
    std::unique_ptr<FILE, Closer> sink_;
};

// The status a call reports to: the context's, or a printer with the full
// progress lines on the context's streams.
class CallStatus {
public:
    explicit CallStatus(const RunContext& context)
        : streams_(context.out, context.err), printer_(streams_.out(), streams_.err()),
          status_(context.status != nullptr ? *context.status : printer_) {}
    Status& get() { return status_; }

private:
    CallStreams streams_;
    StatusPrinter printer_;
    Status& status_;
};

// The library's records behind the opaque members of the public ones.
struct Genomes::Data : detail::GenomeSet {
    explicit Data(detail::GenomeSet&& set) : detail::GenomeSet(std::move(set)) {
        for (int code = 1; code < static_cast<int>(codingTable.size()); ++code) codes.emplace(codingTable[code], code);
    }
    std::unordered_map<int, int> codes;  // family id as read -> code
};
struct Result::ReferenceClusters : detail::ReferenceClusterList {
    explicit ReferenceClusters(detail::ReferenceClusterList&& list) : detail::ReferenceClusterList(std::move(list)) {}
};
struct ShardResult::Clusters : detail::ShardClusters {
    Clusters() = default;
    explicit Clusters(detail::ShardClusters&& found) : detail::ShardClusters(std::move(found)) {}
};

// The public result of a search's result (cancelled when there is none).
Result resultOf(std::unique_ptr<detail::SearchResult> found);

}  // namespace tamsu
