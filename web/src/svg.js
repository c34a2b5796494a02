// Graphviz's SVG made safe to show: only the elements and attributes that
// draw a picture are kept, so no script, event attribute or reference to
// anything outside the picture can come with it. The SVG is read and
// sifted in the layout's worker (svgTree, which needs no document), and the
// page builds the kept tree a slice at a time (buildSvg), so that a picture
// of thousands of elements never holds the page.

const svgSpace = 'http://www.w3.org/2000/svg';
const xmlSpace = 'http://www.w3.org/XML/1998/namespace';

const elements = new Set([
  'svg', 'g', 'title', 'text', 'tspan', 'polygon', 'polyline', 'path', 'ellipse', 'circle',
  'line', 'rect', 'defs', 'linearGradient', 'radialGradient', 'stop',
]);

const attributes = new Set([
  'id', 'class', 'width', 'height', 'viewBox', 'preserveAspectRatio', 'transform',
  'x', 'y', 'x1', 'y1', 'x2', 'y2', 'cx', 'cy', 'r', 'rx', 'ry', 'fx', 'fy', 'points', 'd',
  'fill', 'fill-opacity', 'stroke', 'stroke-width', 'stroke-opacity', 'stroke-dasharray',
  'stroke-linecap', 'stroke-linejoin', 'font-family', 'font-size', 'font-weight', 'font-style',
  'text-anchor', 'text-decoration', 'baseline-shift', 'offset', 'stop-color', 'stop-opacity',
  'gradientUnits', 'gradientTransform',
]);

// Return true when an attribute's value refers to nothing outside the
// picture: a url() only to an element of its own (#id).
function inside(value) {
  return !/url\s*\(\s*(?!['"]?#)/i.test(value) && !/^\s*(javascript|data|https?|file):/i.test(value);
}

const named = { amp: '&', lt: '<', gt: '>', quot: '"', apos: '\'' };

// Return text with its XML references (&amp;, &#45;, &#x2D;) replaced, or
// null when one is not XML's.
function unescape(text) {
  let bad = false;
  const out = text.replace(/&([^;&]*);?/g, (whole, name) => {
    let code = NaN;
    if (/^#\d+$/.test(name)) {
      code = Number(name.slice(1));
    } else if (/^#x[\da-fA-F]+$/.test(name)) {
      code = parseInt(name.slice(2), 16);
    } else if (whole.endsWith(';') && Object.hasOwn(named, name)) {
      return named[name];
    }
    if (!whole.endsWith(';') || !(code >= 1 && code <= 0x10ffff) || (code >= 0xd800 && code <= 0xdfff)) {
      bad = true;
      return '';
    }
    return String.fromCodePoint(code);
  });
  return bad ? null : out;
}

const tag = /<(\/?)([^\s/>]+)((?:\s+[^\s=/>]+\s*=\s*(?:"[^"<]*"|'[^'<]*'))*)\s*(\/?)>/y;
const attribute = /([^\s=]+)\s*=\s*(?:"([^"]*)"|'([^']*)')/g;

// Return the picture of the SVG text source as a tree of what of it is
// allowed: {name, attributes: [[name, value], ...], children: [node or text]}
// for its root svg element; null when source is no well-formed SVG.
// Elements and attributes of the lists above are kept, with text; an
// element of another namespace goes with all it holds.
export function svgTree(source) {
  const root = { name: '#document', attributes: [], children: [] };
  const open = [{ node: root, kept: true, space: null }];
  let at = 0;
  let seenRoot = false;
  while (at < source.length) {
    const top = open[open.length - 1];
    const next = source.indexOf('<', at);
    const end = next < 0 ? source.length : next;
    if (end > at) {
      const text = unescape(source.slice(at, end));
      if (text === null || (open.length === 1 && text.trim() !== '')) {
        return null;
      }
      if (top.kept && open.length > 1) {
        top.node.children.push(text);
      }
      at = end;
      continue;
    }
    // Declarations, comments and processing instructions draw nothing.
    const skips = [['<!--', '-->'], ['<?', '?>'], ['<!DOCTYPE', '>']];
    const skip = skips.find(([start]) => source.startsWith(start, at));
    if (skip) {
      const close = source.indexOf(skip[1], at + skip[0].length);
      if (close < 0 || (skip[0] === '<!DOCTYPE' && source.slice(at, close).includes('['))) {
        return null;
      }
      at = close + skip[1].length;
      continue;
    }
    tag.lastIndex = at;
    const match = tag.exec(source);
    if (!match) {
      return null;
    }
    at = tag.lastIndex;
    const [, closing, name, attributeText, empty] = match;
    if (closing) {
      if (attributeText || empty || open.length === 1 || top.name !== name) {
        return null;
      }
      open.pop();
      continue;
    }
    const pairs = [];
    for (const [, key, double, single] of attributeText.matchAll(attribute)) {
      const value = unescape(double ?? single);
      if (value === null || pairs.some(([other]) => other === key)) {
        return null;
      }
      pairs.push([key, value]);
    }
    const declared = pairs.find(([key]) => key === 'xmlns');
    const space = declared ? declared[1] : top.space;
    if (open.length === 1) {
      if (seenRoot) {
        return null;
      }
      seenRoot = true;
    }
    const isSvg = space === svgSpace && !name.includes(':') && elements.has(name);
    const kept = top.kept && isSvg && (open.length > 1 || name === 'svg');
    const node = { name, attributes: [], children: [] };
    if (kept) {
      for (const [key, value] of pairs) {
        if (key === 'xml:space') {
          node.attributes.push([key, value === 'preserve' ? 'preserve' : 'default']);
        } else if (attributes.has(key) && inside(value)) {
          node.attributes.push([key, value]);
        }
      }
      top.node.children.push(node);
    }
    if (!empty) {
      open.push({ node, kept, space, name });
    }
  }
  const svg = root.children[0];
  return open.length === 1 && svg && svg.name === 'svg' ? svg : null;
}

// Return the element of document made from tree (of svgTree), built all at
// once.
function buildNode(tree, document) {
  const element = document.createElementNS(svgSpace, tree.name);
  for (const [key, value] of tree.attributes) {
    if (key === 'xml:space') {
      element.setAttributeNS(xmlSpace, key, value);
    } else {
      element.setAttribute(key, value);
    }
  }
  return element;
}

// Resolve to the SVG element of document made from tree (of svgTree), or to
// null when current() turns false on the way: the elements are made a
// slice at a time, the page answering in between.
export async function buildSvg(tree, document, current = () => true, slice = 25) {
  const root = buildNode(tree, document);
  const stack = [[root, tree.children, 0]];
  let started = performance.now();
  while (stack.length > 0) {
    const frame = stack[stack.length - 1];
    const [element, children] = frame;
    if (frame[2] === children.length) {
      stack.pop();
      continue;
    }
    const child = children[frame[2]++];
    if (typeof child === 'string') {
      element.appendChild(document.createTextNode(child));
      continue;
    }
    const made = buildNode(child, document);
    element.appendChild(made);
    stack.push([made, child.children, 0]);
    if (performance.now() - started > slice) {
      await new Promise((resolve) => setTimeout(resolve, 0));
      if (!current()) {
        return null;
      }
      started = performance.now();
    }
  }
  return root;
}

// Return the picture of the SVG text source as an element of document, with
// only what draws it; null when source is no SVG.
export function safeSvg(source, document) {
  const tree = svgTree(source);
  if (tree === null) {
    return null;
  }
  const build = (node) => {
    const element = buildNode(node, document);
    for (const child of node.children) {
      element.appendChild(typeof child === 'string' ? document.createTextNode(child) : build(child));
    }
    return element;
  };
  return build(tree);
}

// Return the view box ({x, y, width, height}) that holds both frame, an
// SVG's view box, and box, the bounds of what it draws, with 2 units to
// spare around the drawing: the browser's fonts may be wider than those
// Graphviz measured the labels with.
export function widenedBox(frame, box) {
  const left = Math.min(frame.x, box.x - 2);
  const top = Math.min(frame.y, box.y - 2);
  const right = Math.max(frame.x + frame.width, box.x + box.width + 2);
  const bottom = Math.max(frame.y + frame.height, box.y + box.height + 2);
  return { x: left, y: top, width: right - left, height: bottom - top };
}
