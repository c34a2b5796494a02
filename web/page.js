// The page: kelvarin, kelvarin-table and kelvarin-graph run in a fresh
// instance each time, on the bytes of the files opened or of the editor.
'use strict';

var files = [];       // {name, bytes} of the files opened, the first shown
var last = null;      // the last run of kelvarin: {stdout, stderr, ending, status}
var timer = null;

// Run a program's factory on files written under /work, with args; resolve
// to its standard output and error as bytes and how it ended.
function run(factory, args, inputs) {
  var out = [];
  var err = [];
  var result = { ending: 'complete', status: 0 };
  var config = {
    noInitialRun: true,
    print: function () {},
    printErr: function () {},
    preRun: [function () {
      config.FS.init(null,
        function (b) { if (b !== null) out.push(b & 0xff); },
        function (b) { if (b !== null) err.push(b & 0xff); });
    }],
    onExit: function (status) { result.status = status; },
    onAbort: function () { result.ending = 'abort'; }
  };
  return factory(config).then(function (module) {
    module.FS.mkdir('/work');
    inputs.forEach(function (file) { module.FS.writeFile('/work/' + file.name, file.bytes); });
    module.FS.chdir('/work');
    try {
      module.callMain(args);
    } catch (e) {
      // An exit or an abort ends main by an exception.
    }
    return finish();
  }, function () {
    result.ending = 'abort';
    return finish();
  });
  function finish() {
    if (result.ending !== 'abort' && result.status !== 0) {
      result.ending = 'error';
    }
    result.stdout = new Uint8Array(out);
    result.stderr = new Uint8Array(err);
    return result;
  }
}

function text(bytes) {
  return new TextDecoder('utf-8').decode(bytes);
}

// A name a file can have under /work.
function safeName(name) {
  return name.replace(/[\/\0]/g, '_') || 'input';
}

function current() {
  return files.length > 0 ? files[0] : { name: 'input', bytes: new Uint8Array(0) };
}

function showDiagnostics(name, stderr) {
  var list = document.getElementById('diagnostics');
  list.textContent = '';
  var pattern = /^(.*?):(\d+):(\d+): (.*)$/;
  text(stderr).split('\n').forEach(function (line) {
    var match = pattern.exec(line);
    if (!match || match[1] !== name) {
      return;
    }
    var item = document.createElement('li');
    item.textContent = line;
    item.dataset.line = match[2];
    item.dataset.column = match[3];
    item.addEventListener('click', function () { select(+match[2], +match[3]); });
    list.appendChild(item);
  });
}

// Select line:column of the editor (columns count bytes; near enough for
// the text the editor shows).
function select(line, column) {
  var data = document.getElementById('data');
  var lines = data.value.split('\n');
  var start = 0;
  for (var i = 0; i < line - 1 && i < lines.length; i++) {
    start += lines[i].length + 1;
  }
  start += column - 1;
  data.focus();
  data.setSelectionRange(start, start + 1);
}

function analyse() {
  var file = current();
  var status = document.getElementById('status');
  status.dataset.ending = 'running';
  return run(KelvarinModule, [file.name], [file]).then(function (result) {
    last = result;
    document.getElementById('report').textContent = text(result.stdout);
    showDiagnostics(file.name, result.stderr);
    status.dataset.file = file.name;
    status.dataset.status = String(result.status);
    status.dataset.ending = result.ending;
    status.textContent = file.name + ': ' + result.ending +
      (result.ending === 'error' ? ' (status ' + result.status + ')' : '');
    return draw(file);
  });
}

function draw(file) {
  var picture = document.getElementById('picture');
  return run(KelvarinGraphModule, [file.name], [file]).then(function (result) {
    picture.textContent = '';
    if (result.ending !== 'complete') {
      return;
    }
    return Viz.instance().then(function (viz) {
      picture.appendChild(viz.renderSVGElement(text(result.stdout)));
    });
  });
}

function tabulate() {
  var names = files.map(function (file) { return file.name; });
  return Promise.all([
    run(KelvarinTableModule, names, files),
    run(KelvarinTableModule, ['--json'].concat(names), files)
  ]).then(function (results) {
    var csv = results[0].stdout;
    window.kelvarinTable = csv;
    document.getElementById('csv').href = URL.createObjectURL(new Blob([csv], { type: 'text/csv' }));
    document.getElementById('json').href =
      URL.createObjectURL(new Blob([results[1].stdout], { type: 'application/json' }));
    var table = document.getElementById('table');
    table.textContent = '';
    text(csv).split('\n').forEach(function (line) {
      if (line === '') {
        return;
      }
      var row = table.insertRow();
      line.split(',').forEach(function (field) { row.insertCell().textContent = field; });
    });
  });
}

document.getElementById('file').addEventListener('change', function (event) {
  var chosen = Array.prototype.slice.call(event.target.files);
  Promise.all(chosen.map(function (file) {
    return file.arrayBuffer().then(function (buffer) {
      return { name: safeName(file.name), bytes: new Uint8Array(buffer) };
    });
  })).then(function (opened) {
    files = opened;
    document.getElementById('data').value = text(current().bytes);
    return Promise.all([analyse(), tabulate()]);
  });
});

document.getElementById('data').addEventListener('input', function (event) {
  clearTimeout(timer);
  timer = setTimeout(function () {
    var file = { name: current().name, bytes: new TextEncoder().encode(event.target.value) };
    files = [file].concat(files.slice(1));
    analyse();
  }, 300);
});

window.kelvarinLast = function () { return last; };
