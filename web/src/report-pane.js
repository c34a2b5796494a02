// The report and its summary: the status line of the shown file's run,
// kelvarin's diagnostics (a place in the file is a button that selects it
// in the editor), the summary's figures, what an edit changed, the players
// named, and the report, shown whole in its pane.
import { say } from './words.js';
import { decode } from './text.js';
import { diagnosticsOf, runStatus, unfinishedStatus } from './status.js';
import { fittedSize, smallestSize, stacks } from './fit.js';
import { changeSentence, figuresOf } from './change.js';
import { kPrintedWidth, printedReport } from './print-report.js';

// Return the pane in document's elements status, diagnostics, summary,
// change, legend, report, report-print (the report as printed), report-full
// and report-scroll. hooks:
// select(line, column) selects a place of the shown file in the editor;
// unfinished() counts the grid's cells that are not one number;
// kelvarin(entry) runs kelvarin on an entry.
export function reportPane(document, { select, unfinished, kelvarin }) {
  const $ = (id) => document.getElementById(id);

  // Add to the status line that the grid has cells that are not one number
  // (which the file's text does not hold as shown).
  function sayUnfinished() {
    const line = $('status');
    const count = unfinished();
    line.dataset.unfinished = String(count);
    line.querySelector('.unfinished')?.remove();
    if (count > 0) {
      const said = document.createElement('span');
      said.className = 'unfinished';
      said.textContent = unfinishedStatus(count);
      line.appendChild(said);
    }
  }

  // Say how the run of kelvarin on the file called name ended (running
  // while result has no stderr).
  function setStatus(name, result) {
    const status = runStatus(name, { ...result, stderr: result.stderr ? decode(result.stderr).text : '' });
    const line = $('status');
    line.dataset.file = name;
    line.dataset.ending = status.ending;
    line.dataset.status = result.status === undefined ? '' : String(result.status);
    line.dataset.warnings = String(status.warnings);
    delete line.dataset.words;
    line.textContent = status.text;
    sayUnfinished();
  }

  // List the lines kelvarin wrote on standard error about entry; a line
  // with a place in the file is a button that selects that place.
  function showDiagnostics(entry, stderr) {
    const list = $('diagnostics');
    list.textContent = '';
    const lines = diagnosticsOf(decode(stderr).text, entry.name);
    if (entry.failure) {
      lines.push({ text: 'kelvarin.html: note: the browser could not read this file: ' + entry.failure.reason, line: 0 });
    }
    for (const diagnostic of lines) {
      const item = document.createElement('li');
      const place = document.createElement(diagnostic.line > 0 ? 'button' : 'span');
      place.textContent = diagnostic.text;
      if (diagnostic.line > 0) {
        place.type = 'button';
        place.dataset.line = String(diagnostic.line);
        place.dataset.column = String(diagnostic.column);
        place.addEventListener('click', () => select(diagnostic.line, diagnostic.column));
      }
      item.appendChild(place);
      list.appendChild(item);
    }
  }

  // Show the report whole: the panes one above the other when it is wide,
  // and its font at the largest size at which its widest line fits (or at
  // full size when asked); a report that still does not fit says that it
  // scrolls.
  function fitReport() {
    const report = $('report');
    const results = report.closest('.results');
    const full = $('report-full').getAttribute('aria-pressed') === 'true';
    report.style.fontSize = '';
    // The width of the widest line at full size, whatever the pane's.
    const lines = document.createRange();
    lines.selectNodeContents(report);
    const natural = lines.getBoundingClientRect().width;
    const style = getComputedStyle(report);
    // The padding stays as it is while the text shrinks.
    const padding = parseFloat(style.paddingLeft) + parseFloat(style.paddingRight);
    results.classList.toggle('stacked', stacks(natural + padding, results.clientWidth));
    if (!full) {
      const size = parseFloat(style.fontSize);
      let fitted = fittedSize(size, natural, report.clientWidth - padding);
      report.style.fontSize = fitted + 'px';
      // Fonts do not scale exactly: a quarter pixel less until it fits.
      while (report.scrollWidth > report.clientWidth && fitted > smallestSize) {
        fitted -= 0.25;
        report.style.fontSize = fitted + 'px';
      }
    }
    $('report-scroll').hidden = report.scrollWidth <= report.clientWidth;
  }

  // Show summary (of summarise) in #summary: its figures in large type,
  // each linked to its explanation, with its sentence; the data- attributes
  // say the empath, the driver and S_E for those who read them.
  function showSummary(summary) {
    const element = $('summary');
    element.dataset.state = summary.state;
    for (const [attribute, value] of [['empath', summary.empath], ['driver', summary.driver], ['sE', summary.sE]]) {
      if (value === null) {
        delete element.dataset[attribute];
      } else {
        element.dataset[attribute] = String(value);
      }
    }
    const list = element.querySelector('.figures');
    list.textContent = '';
    for (const figure of summary.figures) {
      const item = document.createElement('div');
      item.className = 'figure';
      item.dataset.figure = figure.name;
      const term = document.createElement('dt');
      const link = document.createElement('a');
      link.href = '#' + figure.help;
      link.textContent = figure.label;
      term.appendChild(link);
      const value = document.createElement('dd');
      value.className = 'value';
      value.textContent = figure.value;
      const sentence = document.createElement('dd');
      sentence.className = 'sentence';
      sentence.textContent = figure.sentence;
      item.append(term, value, sentence);
      list.appendChild(item);
    }
    delete element.querySelector('.note').dataset.words;
    element.querySelector('.note').textContent = summary.note;
    const warning = element.querySelector('.warning');
    warning.textContent = summary.warning || '';
    warning.hidden = !summary.warning;
  }

  // The full size control: pressed, the report at its own size.
  $('report-full').addEventListener('click', () => {
    const full = $('report-full').getAttribute('aria-pressed') !== 'true';
    $('report-full').setAttribute('aria-pressed', String(full));
    fitReport();
  });

  return {
    setStatus,
    sayUnfinished,
    showDiagnostics,
    fitReport,
    showSummary,
    // Clear the summary while a new file's figures are made: nothing stale
    // shows, only note.
    clearSummary(note) {
      showSummary({ state: 'running', empath: null, driver: null, sE: null, figures: [], note });
    },
    // Show kelvarin's report (text), fitted to its pane, and as printed.
    showReport(text) {
      $('report').textContent = text;
      $('report-print').textContent = printedReport(text, kPrintedWidth);
      fitReport();
    },
    // Say what the edits of entry changed against it as opened, from
    // written, the report of its bytes now: beside the grid, and as the
    // summary's data-change.
    async sayChange(entry, written) {
      const opened = entry.opened;
      if (opened && entry.bytes === opened.bytes) {
        opened.report = written;
      }
      let sentence = '';
      if (opened && entry.bytes !== opened.bytes) {
        if (opened.report === null) {
          // Edited before its first report came: the file as opened is run again.
          const first = await kelvarin({ name: entry.name, bytes: opened.bytes }).catch(() => null);
          opened.report = first ? decode(first.stdout).text : '';
        }
        sentence = changeSentence(figuresOf(opened.report), figuresOf(written), entry.names);
      }
      $('change').textContent = sentence === '' ? '' : say('change.against', { sentence });
      if (sentence === '') {
        $('summary').removeAttribute('data-change');
      } else {
        $('summary').dataset.change = sentence;
      }
    },
    // Show the legend of the players named (text, '' for none).
    showLegend(text) {
      $('legend').hidden = text === '';
      $('legend').textContent = text;
    },
  };
}
