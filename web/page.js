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

$('top').addEventListener('input', redraw);
$('min').addEventListener('input', redraw);
$('png-download').addEventListener('click', savePng);

window.kelvarinLast = function () { return state.last; };
window.kelvarinState = state;
