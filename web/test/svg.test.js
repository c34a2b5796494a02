// Graphviz's SVG read without a document, keeping only what draws it, and
// the files of a run packed into one buffer.
import assert from 'node:assert/strict';
import test from 'node:test';
import { svgTree, widenedBox } from '../src/svg.js';

const open = '<svg xmlns="http://www.w3.org/2000/svg" width="10">';

// Return tree (of svgTree) as markup, to compare with what is expected.
function markup(tree) {
  if (typeof tree === 'string') {
    return tree.replace(/&/g, '&amp;').replace(/</g, '&lt;');
  }
  const attributes = tree.attributes.map(([key, value]) => ' ' + key + '="' + value.replace(/"/g, '&quot;') + '"').join('');
  return '<' + tree.name + attributes + '>' + tree.children.map(markup).join('') + '</' + tree.name + '>';
}

test('only what draws the picture is kept, and its text is read as XML writes it', () => {
  const rows = [
    ['<?xml version="1.0" encoding="UTF-8" standalone="no"?>\n<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN"\n "x.dtd">\n<!-- Generated -->\n' +
      open + '<g id="graph0" class="graph"><text x="1">P&#45;1 &amp; &lt;b&gt; &#x263A;</text></g></svg>\n',
    '<svg width="10"><g id="graph0" class="graph"><text x="1">P-1 &amp; &lt;b> \u263a</text></g></svg>'],
    ['<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" onload="alert(1)" width="10">' +
      '<script>alert(2)</script><g id="graph0" class="graph" onclick="alert(3)" style="background:url(http://x/)">' +
      '<a xlink:href="javascript:alert(4)" href="http://x/"><text x="1" fill="url(http://x/#a)">link</text></a>' +
      '<image href="http://x/y.png"/><foreignObject><div xmlns="http://www.w3.org/1999/xhtml">html</div></foreignObject>' +
      '<polygon fill="url(#l_1)" points="0,0 1,1"/><use href="#graph0"/><text x="2" y="3" xml:space="odd">P1</text></g></svg>',
    '<svg width="10"><g id="graph0" class="graph"><polygon fill="url(#l_1)" points="0,0 1,1"></polygon>' +
      '<text x="2" y="3" xml:space="default">P1</text></g></svg>'],
    [open + '<g xmlns="http://www.w3.org/1999/xhtml"><text>out</text></g><svg:g xmlns:svg="x"/><text fill=\'red\'>in</text>' +
      '<rect fill="url(http://x/)" width="1"/></svg>',
    '<svg width="10"><text fill="red">in</text><rect width="1"></rect></svg>'],
  ];
  for (const [source, kept] of rows) {
    assert.equal(markup(svgTree(source)), kept);
  }
});

test('text that is not well-formed SVG is no picture', () => {
  const rows = [
    '',
    'Error: syntax error in line 1',
    '<html xmlns="http://www.w3.org/2000/svg"></html>',
    '<svg width="10"></svg>',
    open + '<g></svg>',
    open + '</g></svg>',
    open + '<g><text></g></text></svg>',
    open + '<text>a & b</text></svg>',
    open + '<text>&nbsp;</text></svg>',
    open + '<text x="1" x="2"></text></svg>',
    open + '</svg><svg xmlns="http://www.w3.org/2000/svg"></svg>',
    open + '</svg>trailing',
    open + '<![CDATA[x]]></svg>',
  ];
  for (const source of rows) {
    assert.equal(svgTree(source), null, source);
  }
});

test('the view box widens to what the picture draws, with 2 units to spare', () => {
  const frame = { x: 0, y: -100, width: 200, height: 100 };
  assert.deepEqual(widenedBox(frame, { x: 10, y: -90, width: 50, height: 50 }), frame);
  assert.deepEqual(widenedBox(frame, { x: -5, y: -101, width: 210, height: 103 }), { x: -7, y: -103, width: 214, height: 107 });
});
