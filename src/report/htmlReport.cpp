// The HTML report: the clusters as JSON and their figures as inline SVG
// templates in one page, with a small script for sorting, filtering and
// selection (a cluster and a sort order can also be named in the address:
// report.html#sort=size&cluster=140).
#include "report/htmlReport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include <nlohmann/json.hpp>

#include "plot/clusterPlot.h"
#include "results/annotatedTable.h"
#include "results/clusterRows.h"
#include "results/geneTable.h"
#include "util/errors.h"
#include "util/strings.h"

namespace tamsu::detail {

namespace {

constexpr const char* kStyle = R"(
body { font-family: "DejaVu Sans", Arial, sans-serif; margin: 16px; color: #222; }
h1 { font-size: 20px; margin: 0 0 4px 0; }
.note { color: #555; font-size: 13px; margin-bottom: 10px; }
.controls { margin: 8px 0; font-size: 14px; }
.controls input[type=search] { width: 320px; padding: 3px; }
#layout { display: flex; flex-direction: column; gap: 12px; }
#tableBox { max-height: 45vh; overflow: auto; border: 1px solid #ccc; }
table { border-collapse: collapse; font-size: 12px; width: 100%; }
th { position: sticky; top: 0; background: #eef; cursor: pointer; text-align: left; padding: 4px 6px; white-space: nowrap; }
th.asc::after { content: " \25B2"; } th.desc::after { content: " \25BC"; }
td { padding: 3px 6px; border-top: 1px solid #eee; vertical-align: top; }
td.num { text-align: right; white-space: nowrap; }
td.text { max-width: 420px; overflow: hidden; text-overflow: ellipsis; white-space: nowrap; }
tr:hover { background: #f6f6ff; cursor: pointer; }
tr.selected { background: #ffe9a8; }
#figure { border: 1px solid #ccc; padding: 6px; overflow: auto; min-height: 60px; }
#figure svg { max-width: 100%; height: auto; }
#errors { color: #b00; }
#shown { margin-left: 12px; color: #555; }
)";

constexpr const char* kScript = R"(
"use strict";
(function () {
  const data = JSON.parse(document.getElementById("clusters").textContent);
  const columns = [
    ["cluster", "cluster", true], ["group", "group", true], ["size", "size", true],
    ["log10Score", "log10 score", true], ["genomes", "genomes", true], ["occurrences", "occurrences", true],
    ["families", "families", false], ["products", "products", false]];
  const body = document.querySelector("#clusterTable tbody");
  const head = document.querySelector("#clusterTable thead tr");
  const filter = document.getElementById("filter");
  const groupsOnly = document.getElementById("groupsOnly");
  const shown = document.getElementById("shown");
  const figure = document.getElementById("figure");
  let sortKey = "log10Score", ascending = true, selected = null;

  for (const [key, title] of columns) {
    const th = document.createElement("th");
    th.textContent = title;
    th.dataset.key = key;
    th.addEventListener("click", () => {
      ascending = sortKey === key ? !ascending : true;
      sortKey = key;
      render();
    });
    head.appendChild(th);
  }

  function compare(a, b) {
    const x = a[sortKey], y = b[sortKey];
    const order = typeof x === "number" ? x - y : String(x).localeCompare(String(y));
    return (ascending ? order : -order) || a.cluster - b.cluster;
  }

  function render() {
    const words = filter.value.toLowerCase().split(/\s+/).filter(w => w.length > 0);
    const rows = data.filter(c => (!groupsOnly.checked || c.leader) &&
      words.every(w => c.text.includes(w))).sort(compare);
    body.replaceChildren();
    for (const c of rows) {
      const tr = document.createElement("tr");
      tr.dataset.cluster = c.cluster;
      for (const [key, , numeric] of columns) {
        const td = document.createElement("td");
        td.className = numeric ? "num" : "text";
        td.textContent = key === "log10Score" ? c[key].toFixed(2) : c[key];
        if (!numeric) td.title = c[key];
        tr.appendChild(td);
      }
      if (c.cluster === selected) tr.classList.add("selected");
      tr.addEventListener("click", () => select(c.cluster));
      body.appendChild(tr);
    }
    for (const th of head.children) {
      th.classList.toggle("asc", th.dataset.key === sortKey && ascending);
      th.classList.toggle("desc", th.dataset.key === sortKey && !ascending);
    }
    shown.textContent = rows.length + " of " + data.length + " clusters";
  }

  function select(number) {
    selected = number;
    for (const tr of body.children) {
      tr.classList.toggle("selected", Number(tr.dataset.cluster) === number);
      if (Number(tr.dataset.cluster) === number) tr.scrollIntoView({block: "nearest"});
    }
    const picture = document.getElementById("svg-" + number);
    figure.replaceChildren(picture ? picture.content.cloneNode(true) : document.createTextNode("no figure"));
    figure.dataset.cluster = number;
    history.replaceState(null, "", "#cluster=" + number);
  }

  filter.addEventListener("input", render);
  groupsOnly.addEventListener("change", render);
  render();
  // A sort order and a cluster named in the address, as clicks on the page.
  const wanted = new URLSearchParams(location.hash.slice(1));
  for (const key of (wanted.get("sort") || "").split(",").filter(k => k.length > 0)) {
    const th = head.querySelector('th[data-key="' + key + '"]');
    if (th) th.click();
  }
  if (wanted.has("cluster")) {
    const tr = body.querySelector('tr[data-cluster="' + Number(wanted.get("cluster")) + '"]');
    if (tr) tr.click();
  } else if (body.firstChild) {
    body.firstChild.click();
  }
  document.body.dataset.ready = "1";
})();
)";

}  // namespace

std::string htmlReport(const std::string& tablePath, const GenomeSet& set, int flank) {
    using json = nlohmann::ordered_json;
    const std::vector<TableOccurrence> rows = readClusterTable(tablePath, set);
    const std::vector<TableCluster> clusters = clustersOf(rows);
    const std::vector<int> groups = groupsOf(clusters);
    const GeneTable genes = GeneTable::of(set);

    json data = json::array();
    std::set<int> leaders;  // the groups
    std::string figures;
    for (size_t i = 0; i < clusters.size(); ++i) {
        const TableCluster& cluster = clusters[i];
        std::set<int> genomes;
        for (const TableOccurrence* row : cluster.rows) genomes.insert(row->genome);
        std::string families, products;
        for (const std::string& name : familyNames(cluster.families, genes)) families += (families.empty() ? "" : ", ") + name;
        for (const std::string& product : familyProducts(cluster.families, genes))
            if (!product.empty() && products.find(product) == std::string::npos)
                products += (products.empty() ? "" : "; ") + product;
        leaders.insert(groups[i]);
        std::string text = std::to_string(cluster.number) + " " + families + " " + products;
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        data.push_back({{"cluster", cluster.number},
                        {"group", groups[i]},
                        {"size", cluster.families.size()},
                        {"log10Score", std::isfinite(cluster.log10Score) ? cluster.log10Score : -1e308},
                        {"genomes", genomes.size()},
                        {"occurrences", cluster.rows.size()},
                        {"families", families},
                        {"products", products},
                        {"leader", false},
                        {"text", text}});
        figures += formatText("<template id=\"svg-%d\">", cluster.number);
        std::string svg = clusterSvg(cluster, groups[i], set, genes, flank);
        svg.erase(0, svg.find("<svg"));  // the XML declaration has no place inside HTML
        figures += svg + "</template>\n";
    }
    // A group's leader is its best cluster (see groupClusters).
    std::vector<size_t> best(leaders.size(), clusters.size());
    for (size_t i = 0; i < clusters.size(); ++i) {
        size_t& b = best[static_cast<size_t>(groups[i])];
        if (b == clusters.size() || clusters[i].log10Score < clusters[b].log10Score) b = i;
    }
    for (size_t b : best)
        if (b < clusters.size()) data[b]["leader"] = true;

    std::string payload = data.dump(-1, ' ', false, json::error_handler_t::replace);
    for (size_t at = payload.find("</"); at != std::string::npos; at = payload.find("</", at + 3))
        payload.replace(at, 2, "<\\/");
    std::string names;
    for (const Genome& genome : set.genomes) names += (names.empty() ? "" : ", ") + genome.name;
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>zub clusters: " +
        xmlText(tablePath) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>Gene clusters of " +
        xmlText(tablePath) + "</h1>\n<div class=\"note\">" + std::to_string(clusters.size()) + " clusters in " +
        std::to_string(leaders.size()) + " groups (a group gathers clusters that share at least 80% of the smaller "
        "gene set with its best cluster) over " + std::to_string(set.genomeCount()) + " genomes: " + xmlText(names) +
        ". Click a column to sort, a row to see its figure.</div>\n"
        "<div class=\"controls\"><input type=\"search\" id=\"filter\" placeholder=\"filter: family, product, cluster "
        "number\"> <label><input type=\"checkbox\" id=\"groupsOnly\"> best cluster of each group only</label> "
        "<span id=\"shown\"></span></div>\n<div id=\"layout\">\n<div id=\"tableBox\"><table id=\"clusterTable\">"
        "<thead><tr></tr></thead><tbody></tbody></table></div>\n<div id=\"figure\"></div>\n</div>\n"
        "<pre id=\"errors\"></pre>\n"
        "<script>window.addEventListener(\"error\", e => { document.getElementById(\"errors\").textContent += "
        "e.message + \"\\n\"; });</script>\n"
        "<script type=\"application/json\" id=\"clusters\">" +
        payload + "</script>\n" + figures + "<script>" + kScript + "</script>\n</body>\n</html>\n";
    return page;
}

}  // namespace tamsu::detail
