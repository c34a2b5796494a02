// Graphviz's SVG made safe to show: only the elements and attributes that
// draw a picture are copied into the page, so no script, event attribute or
// reference to anything outside the picture can come with it.

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

// Return a copy, made in document, of the SVG element node and of what of
// it is allowed: elements and attributes of the lists above, and text.
function copy(node, document) {
  const element = document.createElementNS(svgSpace, node.localName);
  for (const attribute of node.attributes) {
    if (attribute.namespaceURI === null && attributes.has(attribute.localName) && inside(attribute.value)) {
      element.setAttribute(attribute.localName, attribute.value);
    } else if (attribute.namespaceURI === xmlSpace && attribute.localName === 'space') {
      element.setAttributeNS(xmlSpace, 'xml:space', attribute.value === 'preserve' ? 'preserve' : 'default');
    }
  }
  for (const child of node.childNodes) {
    if (child.nodeType === 3) {
      element.appendChild(document.createTextNode(child.data));
    } else if (child.nodeType === 1 && child.namespaceURI === svgSpace && elements.has(child.localName)) {
      element.appendChild(copy(child, document));
    }
  }
  return element;
}

// Return the picture of the SVG text source as an element of document, with
// only what draws it; null when source is no SVG.
export function safeSvg(source, document) {
  const parsed = new DOMParser().parseFromString(source, 'image/svg+xml');
  const root = parsed.documentElement;
  if (root.namespaceURI !== svgSpace || root.localName !== 'svg') {
    return null;
  }
  return copy(root, document);
}
