// The page: kelvarin, kelvarin-table and kelvarin-graph run in a fresh
// instance each time, on the bytes of the files opened or of the editor.
// The script only moves bytes in and out of them and draws what they write.
'use strict';

var state = {
  files: [],        // {name, bytes} of the files opened; files[shown] is in the editor
  shown: 0,
  last: null,       // kelvarin's last run: {stdout, stderr, ending, status}
  scale: null,      // the bytes whose largest |influence| sets the slider
  table: null,      // {header, rows} of kelvarin-table's JSON Lines
  sort: { column: -1, descending: false },
  runs: 0,          // counts kelvarin's runs, so that a late one is dropped
  drawings: 0,      // counts the pictures, likewise
  editTimer: null,
  drawTimer: null,
  urls: {}          // the object URL of each download link
};

function $(id) {
  return document.getElementById(id);
}

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
  return state.files[state.shown] || { name: 'input', bytes: new Uint8Array(0) };
}

// Point the download link id at a new object URL of parts.
function setLink(id, parts, type, name) {
  var link = $(id);
  if (state.urls[id]) {
    URL.revokeObjectURL(state.urls[id]);
  }
  state.urls[id] = URL.createObjectURL(new Blob(parts, { type: type }));
  link.href = state.urls[id];
  if (name) {
    link.download = name;
  }
}

function stem(name) {
  return name.replace(/\.[^.]*$/, '') || name;
}

var endings = {
  running: 'running…',
  complete: 'complete',
  error: 'the data file was not accepted; the diagnostics say why',
  abort: 'ended by GSL\'s error handler (M is singular); the report up to it is shown'
};

function setStatus(name, ending, status) {
  var line = $('status');
  line.dataset.file = name;
  line.dataset.ending = ending;
  line.dataset.status = status === undefined ? '' : String(status);
  line.textContent = name + ': ' + endings[ending] +
    (ending === 'error' ? ' (exit status ' + status + ')' : '');
}

// Every line kelvarin wrote on standard error; a line with a place in the
// file is a button that selects that place in the editor.
function showDiagnostics(name, stderr) {
  var list = $('diagnostics');
  list.textContent = '';
  var pattern = /^(.*?):(\d+):(\d+): /;
  text(stderr).split('\n').forEach(function (line) {
    if (line === '') {
      return;
    }
    var item = document.createElement('li');
    var match = pattern.exec(line);
    var entry = document.createElement(match && match[1] === name ? 'button' : 'span');
    entry.textContent = line;
    if (entry.tagName === 'BUTTON') {
      entry.type = 'button';
      entry.dataset.line = match[2];
      entry.dataset.column = match[3];
      entry.addEventListener('click', function () { select(+match[2], +match[3]); });
    }
    item.appendChild(entry);
    list.appendChild(item);
  });
}

// Select the character at line:column of the editor, the column counting
// the bytes of the line in UTF-8 as the diagnostics do.
function select(line, column) {
  var data = $('data');
  var lines = data.value.split('\n');
  var start = 0;
  for (var i = 0; i < line - 1 && i < lines.length; i++) {
    start += lines[i].length + 1;
  }
  var characters = Array.from(lines[Math.min(line, lines.length) - 1] || '');
  var bytes = 0;
  var end = start;
  var encoder = new TextEncoder();
  for (var k = 0; k < characters.length; k++) {
    var size = encoder.encode(characters[k]).length;
    if (bytes + size > column - 1) {
      end = start + characters[k].length;
      break;
    }
    bytes += size;
    start += characters[k].length;
    end = start;
  }
  data.focus();
  data.setSelectionRange(start, end);
}

function analyse() {
  var file = current();
  var runs = ++state.runs;
  setStatus(file.name, 'running');
  return run(KelvarinModule, [file.name], [file]).then(function (result) {
    if (runs !== state.runs) {
      return;
    }
    state.last = result;
    $('report').textContent = text(result.stdout);
    setLink('report-download', [result.stdout], 'text/plain', stem(file.name) + '.txt');
    showDiagnostics(file.name, result.stderr);
    setStatus(file.name, result.ending, result.status);
    return draw();
  });
}

function view() {
  return document.querySelector('input[name="view"]:checked').value;
}

// kelvarin-graph's command line for the controls' choices.
function graphArgs() {
  if (view() === 'heatmap') {
    return ['--heatmap'];
  }
  var args = view() === 'focus' ? ['--focus'] : [];
  if ($('top').value !== '') {
    args.push('--top', $('top').value);
  }
  if ($('min').value !== '0') {
    args.push('--min', $('min').value);
  }
  return args;
}

// The slider reaches the end of the heat map's scale, which kelvarin-graph
// writes as the legend's last cell: the largest off-diagonal |influence|.
function setScale(file) {
  if (state.scale === file.bytes) {
    return Promise.resolve();
  }
  state.scale = file.bytes;
  return run(KelvarinGraphModule, ['--heatmap', file.name], [file]).then(function (result) {
    var match = /([^<>]*)(?:<\/[A-Z]+>)+<TD BORDER="0">positive<\/TD>/.exec(text(result.stdout));
    var slider = $('min');
    slider.max = match ? match[1] : '0';
    slider.disabled = !match || view() === 'heatmap';
    $('min-value').textContent = slider.value;
  });
}

function draw() {
  if (state.files.length === 0) {
    return Promise.resolve();
  }
  var file = current();
  var drawings = ++state.drawings;
  var picture = $('picture');
  picture.dataset.state = 'drawing';
  $('top').disabled = view() === 'heatmap';
  return setScale(file).then(function () {
    var args = graphArgs();
    return run(KelvarinGraphModule, args.concat(['--', file.name]), [file]);
  }).then(function (result) {
    if (drawings !== state.drawings) {
      return;
    }
    $('picture-message').textContent = text(result.stderr);
    if (result.stdout.length === 0) {
      picture.textContent = '';
      picture.dataset.state = 'none';
      $('png-download').disabled = true;
      return;
    }
    return Viz.instance().then(function (viz) {
      if (drawings !== state.drawings) {
        return;
      }
      var svg = viz.renderSVGElement(text(result.stdout));
      picture.textContent = '';
      picture.appendChild(svg);
      fit(svg);
      svg.setAttribute('role', 'img');
      svg.setAttribute('aria-label', Array.prototype.map.call(svg.querySelectorAll('g.graph > text'),
        function (line) { return line.textContent; }).join('; '));
      var source = new XMLSerializer().serializeToString(svg);
      setLink('svg-download', [source], 'image/svg+xml', stem(file.name) + '.svg');
      $('png-download').disabled = false;
      picture.dataset.view = view();
      picture.dataset.state = 'drawn';
    });
  });
}

// Widen the SVG's view box to what it draws: the browser's fonts may be
// wider than those Graphviz measured the labels with.
function fit(svg) {
  var box = svg.getBBox();
  var frame = svg.viewBox.baseVal;
  var left = Math.min(frame.x, box.x - 2);
  var top = Math.min(frame.y, box.y - 2);
  var right = Math.max(frame.x + frame.width, box.x + box.width + 2);
  var bottom = Math.max(frame.y + frame.height, box.y + box.height + 2);
  svg.setAttribute('viewBox', [left, top, right - left, bottom - top].join(' '));
  svg.setAttribute('width', (right - left) + 'pt');
  svg.setAttribute('height', (bottom - top) + 'pt');
}

// Save blob as name through a link clicked once.
function save(blob, name) {
  var link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(function () { URL.revokeObjectURL(link.href); }, 1000);
}

// The picture as PNG: the SVG drawn on an offscreen canvas at twice its size.
function savePng() {
  var svg = $('picture').querySelector('svg');
  if (!svg) {
    return Promise.resolve();
  }
  var source = new XMLSerializer().serializeToString(svg);
  var url = URL.createObjectURL(new Blob([source], { type: 'image/svg+xml' }));
  var image = new Image();
  return new Promise(function (resolve, reject) {
    image.onload = resolve;
    image.onerror = reject;
    image.src = url;
  }).then(function () {
    var canvas = document.createElement('canvas');
    canvas.width = image.naturalWidth * 2;
    canvas.height = image.naturalHeight * 2;
    var context = canvas.getContext('2d');
    context.fillStyle = '#fff';
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.drawImage(image, 0, 0, canvas.width, canvas.height);
    URL.revokeObjectURL(url);
    return new Promise(function (resolve) { canvas.toBlob(resolve, 'image/png'); });
  }).then(function (blob) {
    save(blob, stem(current().name) + '.png');
    return blob;
  });
}

// JSON.parse keeping each number's text as kelvarin-table wrote it.
function keepNumberText(key, value, context) {
  if (typeof value === 'number') {
    return { number: value, text: context && context.source !== undefined ? context.source : String(value) };
  }
  return value;
}

function tabulate() {
  var names = state.files.map(function (file) { return file.name; });
  return Promise.all([
    run(KelvarinTableModule, names, state.files),
    run(KelvarinTableModule, ['--json'].concat(names), state.files)
  ]).then(function (results) {
    var csv = results[0].stdout;
    window.kelvarinTable = csv;
    setLink('csv', [csv], 'text/csv');
    setLink('json', [results[1].stdout], 'application/jsonl');
    var header = text(csv).split(/\r?\n/)[0].split(',');
    var rows = text(results[1].stdout).split('\n').filter(Boolean).map(function (line, index) {
      var object = JSON.parse(line, keepNumberText);
      return { file: index, cells: header.map(function (key) { return object[key]; }) };
    });
    state.table = { header: header, rows: rows };
    showTable();
  });
}

function cellText(cell) {
  if (cell === null || cell === undefined) {
    return '';
  }
  return typeof cell === 'object' ? cell.text : String(cell);
}

// Order the rows by a column: numbers by value, text by its characters,
// empty cells last; equal cells keep the files' order.
function sortRows(rows, column, descending) {
  var numeric = rows.every(function (row) {
    var cell = row.cells[column];
    return cell === null || cell === undefined || typeof cell === 'object';
  });
  return rows.slice().sort(function (a, b) {
    var x = a.cells[column];
    var y = b.cells[column];
    var empty = (cellText(x) === '') - (cellText(y) === '');
    if (empty !== 0) {
      return empty;
    }
    var order = numeric && x !== null && y !== null ? x.number - y.number :
      cellText(x) < cellText(y) ? -1 : cellText(x) > cellText(y) ? 1 : 0;
    return (descending ? -order : order) || a.file - b.file;
  });
}

function showTable() {
  var table = $('table');
  var header = state.table.header;
  var sort = state.sort;
  table.textContent = '';
  $('table-pane').hidden = state.files.length < 2;
  var head = table.createTHead().insertRow();
  header.forEach(function (name, column) {
    var cell = document.createElement('th');
    cell.scope = 'col';
    if (sort.column === column) {
      cell.setAttribute('aria-sort', sort.descending ? 'descending' : 'ascending');
    }
    var button = document.createElement('button');
    button.type = 'button';
    button.id = 'sort-' + name;
    button.textContent = name;
    button.addEventListener('click', function () {
      state.sort = { column: column, descending: sort.column === column && !sort.descending };
      showTable();
      $('sort-' + name).focus();
    });
    cell.appendChild(button);
    head.appendChild(cell);
  });
  var body = table.createTBody();
  var rows = sort.column < 0 ? state.table.rows : sortRows(state.table.rows, sort.column, sort.descending);
  rows.forEach(function (row) {
    var line = body.insertRow();
    if (row.file === state.shown) {
      line.setAttribute('aria-current', 'true');
    }
    row.cells.forEach(function (cell, column) {
      var place = line.insertCell();
      if (header[column] !== 'file') {
        place.textContent = cellText(cell);
        place.className = typeof cell === 'string' ? 'words' : '';
        return;
      }
      var button = document.createElement('button');
      button.type = 'button';
      button.textContent = cellText(cell);
      button.setAttribute('aria-label', 'Show the report of ' + cellText(cell));
      button.addEventListener('click', function () { show(row.file); });
      place.appendChild(button);
    });
  });
}

// Show file index of those opened in the editor, with its report.
function show(index) {
  state.shown = index;
  $('data').value = text(current().bytes);
  $('paste-note').textContent = '';
  if (state.table) {
    showTable();
  }
  return analyse();
}

function open(list) {
  return Promise.all(Array.prototype.map.call(list, function (file) {
    return file.arrayBuffer().then(function (buffer) {
      return { name: safeName(file.name), bytes: new Uint8Array(buffer) };
    });
  })).then(function (opened) {
    if (opened.length === 0) {
      return;
    }
    state.files = opened;
    state.sort = { column: -1, descending: false };
    return Promise.all([show(0), tabulate()]);
  });
}

// The editor's text becomes the shown file's bytes.
function edited() {
  clearTimeout(state.editTimer);
  var file = { name: current().name, bytes: new TextEncoder().encode($('data').value) };
  state.files[state.files.length === 0 ? 0 : state.shown] = file;
  return Promise.all([analyse()].concat(state.files.length > 1 ? [tabulate()] : []));
}

// A block of cells copied from a spreadsheet (tab-separated, two rows or
// more) as a data file: a header row and a column of names are set aside,
// decimal commas become points; the cells are copied as text.
var number = /^[+-]?(\d+([.,]\d*)?|[.,]\d+)([eE][+-]?\d+)?$/;

function fromSpreadsheet(block) {
  var rows = block.replace(/\r\n?/g, '\n').split('\n').filter(function (row) { return row.trim() !== ''; })
    .map(function (row) {
      var cells = row.split('\t').map(function (cell) { return cell.trim(); });
      while (cells.length > 1 && cells[cells.length - 1] === '') {
        cells.pop();
      }
      return cells;
    });
  var isName = function (cell) { return cell !== undefined && !number.test(cell); };
  var aside = [];
  if (rows[0].some(function (cell) { return cell !== '' && isName(cell); })) {
    aside.push('a header row (' + rows[0].filter(Boolean).join(', ') + ')');
    rows = rows.slice(1);
  }
  if (rows.some(function (row) { return isName(row[0]); })) {
    aside.push('a column of names (' + rows.map(function (row) { return row[0]; }).join(', ') + ')');
    rows = rows.map(function (row) { return row.slice(1); });
  }
  var cells = [].concat.apply([], rows);
  var commas = cells.some(function (cell) { return cell.indexOf(',') >= 0; });
  if (commas) {
    aside.push('decimal commas, read as points');
  }
  var square = rows.length > 0 && rows.every(function (row) { return row.length === rows.length; });
  if (!square || !cells.every(function (cell) { return number.test(cell); })) {
    return { note: 'The pasted block was not turned into a data file: after ' +
      (aside.length > 0 ? 'setting aside ' + aside.join(' and ') : 'reading it') +
      ', its cells are not a square block of numbers (' + rows.length + ' rows of ' +
      rows.map(function (row) { return row.length; }).join(', ') + ' cells).' };
  }
  var lines = rows.map(function (row) {
    return row.map(function (cell) { return cell.replace(',', '.'); }).join(' ');
  });
  return {
    data: ['Pasted from a spreadsheet', String(rows.length)].concat(lines).join('\n') + '\n',
    note: 'Pasted from a spreadsheet: ' + rows.length + ' rows of numbers' +
      (aside.length > 0 ? '; set aside ' + aside.join(', ') : '') + '.'
  };
}

$('data').addEventListener('paste', function (event) {
  var block = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
  if (block.indexOf('\t') < 0 || block.replace(/\r\n?/g, '\n').trim().split('\n').length < 2) {
    return;
  }
  var pasted = fromSpreadsheet(block);
  $('paste-note').textContent = pasted.note;
  if (pasted.data === undefined) {
    return;
  }
  event.preventDefault();
  $('data').value = pasted.data;
  edited();
});

$('data').addEventListener('input', function () {
  clearTimeout(state.editTimer);
  state.editTimer = setTimeout(edited, 300);
});

$('file').addEventListener('change', function (event) {
  open(event.target.files);
});

document.addEventListener('dragover', function (event) {
  event.preventDefault();
  document.body.classList.add('dropping');
});
document.addEventListener('dragleave', function () {
  document.body.classList.remove('dropping');
});
document.addEventListener('drop', function (event) {
  event.preventDefault();
  document.body.classList.remove('dropping');
  open(event.dataTransfer.files);
});

// The picture's controls draw it again, the slider once it rests.
function redraw() {
  clearTimeout(state.drawTimer);
  $('min').disabled = view() === 'heatmap' || $('min').max === '0';
  $('min-value').textContent = $('min').value;
  state.drawTimer = setTimeout(draw, 150);
}
Array.prototype.forEach.call(document.querySelectorAll('input[name="view"]'), function (radio) {
  radio.addEventListener('change', redraw);
});
$('top').addEventListener('input', redraw);
$('min').addEventListener('input', redraw);
$('png-download').addEventListener('click', savePng);

window.kelvarinLast = function () { return state.last; };
window.kelvarinState = state;
