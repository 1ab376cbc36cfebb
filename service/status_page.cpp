#include "status_page.h"

namespace varnolo::service {

const char kStatusPageHtml[] = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>varnolo-service</title>
<style>
  body { font-family: sans-serif; margin: 2em; color: #222; }
  h1 { font-size: 1.3em; }
  .state { font-weight: bold; padding: 0.1em 0.5em; border-radius: 0.3em; }
  .online { background: #c8ecc8; } .reconnecting, .starting { background: #f6e3a8; }
  .stopping, .unreachable { background: #f3c0c0; }
  table { border-collapse: collapse; margin-top: 1em; }
  th, td { border: 1px solid #ccc; padding: 0.25em 0.6em; text-align: left; }
  th { background: #f0f0f0; }
  #updated { color: #777; font-size: 0.9em; }
</style>
</head>
<body>
<h1>Register <span id="register">&hellip;</span></h1>
<p>Line: <span id="state" class="state">loading</span>
   &middot; queue <span id="queued">&hellip;</span> of <span id="limit">&hellip;</span>
   <span id="busy"></span>
   &middot; requests run: <span id="requests">&hellip;</span></p>
<h2>Last documents</h2>
<table>
  <thead><tr><th>#</th><th>Document</th><th>Key</th><th>Answer</th><th>Result</th>
  <th>Registered</th><th>Tape</th></tr></thead>
  <tbody id="documents"><tr><td colspan="7">loading</td></tr></tbody>
</table>
<p id="updated"></p>
<script>
"use strict";
function cell(row, text) {
  const td = document.createElement("td");
  td.textContent = text;
  row.appendChild(td);
}
function registeredText(v) { return v === true ? "yes" : v === false ? "no" : "unknown"; }
function show(s) {
  const r = s.register;
  document.getElementById("register").textContent = r.registerNumber + " on " + r.port;
  const state = document.getElementById("state");
  state.textContent = r.state;
  state.className = "state " + r.state;
  document.getElementById("queued").textContent = s.queue.queued;
  document.getElementById("limit").textContent = s.queue.limit;
  document.getElementById("busy").textContent = s.queue.busy ? "(one running)" : "";
  document.getElementById("requests").textContent = s.requestsRun;
  const body = document.getElementById("documents");
  body.replaceChildren();
  if (s.documents.length === 0) {
    const row = body.insertRow();
    cell(row, "no documents yet");
    row.firstChild.colSpan = 7;
  }
  for (const d of s.documents) {
    const row = body.insertRow();
    row.className = "document";
    cell(row, d.seq);
    cell(row, d.document);
    cell(row, d.key);
    cell(row, d.state === "in flight" ? "in flight" : d.httpStatus);
    cell(row, d.result === null ? "" : d.result);
    cell(row, registeredText(d.registered));
    cell(row, d.tapeCountAfter === null ? "" : d.tapeCountAfter);
  }
  document.getElementById("updated").textContent = "updated " + new Date().toLocaleTimeString();
}
function refresh() {
  fetch("/status.json", {cache: "no-store"})
    .then(response => response.json())
    .then(show)
    .catch(() => {
      const state = document.getElementById("state");
      state.textContent = "service unreachable";
      state.className = "state unreachable";
    });
}
refresh();
setInterval(refresh, 2000);
</script>
</body>
</html>
)html";

}  // namespace varnolo::service
