// The page test's checks of the picture: Top K, the views and the
// screenshots, pictures whose labels do not overlap, and group20 on one
// screen.
import path from 'node:path';
import { exampleFolder, fail, open, screenshot, settled, sleep, text } from './common.js';

// Controls refuse bad values themselves: an invalid Top K is marked and
// said beside it, and the picture stays.
export async function topK(page) {
  // A group of 20 opens in the heat map, which takes no Top K.
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  await page.click('#view-focus');
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'focus' &&
    !document.getElementById('picture').hasAttribute('aria-busy'), { timeout: 60000 });
  const drawn = await page.$eval('#picture svg', (svg) => svg.outerHTML);
  for (const value of ['0', '-1', '2.5']) {
    await page.$eval('#top', (top) => { top.value = ''; });
    await page.type('#top', value);
    await sleep(400);
    await settled(page);
    const control = await page.$eval('#top', (top) => top.getAttribute('aria-invalid'));
    const message = await text(page, 'top-message');
    const picture = await page.$eval('#picture svg', (svg) => svg.outerHTML).catch(() => '');
    if (control !== 'true' || message === '' || picture !== drawn ||
        (await text(page, 'picture-message')).includes('usage')) {
      fail('Top K ' + value + ': aria-invalid ' + control + ', message ' + JSON.stringify(message) +
        (picture === drawn ? '' : ', the picture is gone'));
    }
  }
  await page.$eval('#top', (top) => { top.value = ''; });
  await page.type('#top', '2');
  await sleep(400);
  await settled(page);
  await page.waitForFunction(() => document.getElementById('top').getAttribute('aria-invalid') === 'false', { timeout: 10000 })
    .catch(() => fail('Top K 2 is still marked invalid'));
  if (await text(page, 'top-message') !== '' || !(await page.$eval('#picture svg', (svg) => svg.textContent)).includes('left out')) {
    fail('Top K 2 does not draw the top 2 influences');
  }
  await page.$eval('#top', (top) => { top.value = ''; });
  await page.click('#view-network');
}

// The triad's picture in each view, the slider's end, and the page at a
// desktop's and a phone's width; then group20's first screen at 1280 pixels.
export async function views(page) {
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'network');
  if (await page.$eval('#min', (slider) => slider.max) !== '0.75') {
    fail('the --min slider does not reach the triad\'s largest influence, 0.75');
  }
  await page.screenshot({ path: screenshot, fullPage: true });
  await page.click('#view-heatmap');
  await settled(page);
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'heatmap', { timeout: 60000 });
  const heatmap = await page.$eval('#picture svg', (svg) => ({
    title: svg.textContent.includes('Heat map: row Pi\'s influence on column Pj'),
    edges: svg.querySelectorAll('g.edge').length,
    cells: svg.querySelectorAll('g.node polygon').length,
  }));
  if (!heatmap.title || heatmap.edges !== 0 || heatmap.cells < 9) {
    fail('the heat map\'s radio button did not draw the heat map: ' + JSON.stringify(heatmap));
  }
  await page.click('#view-network');
  await settled(page);
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'network', { timeout: 60000 });
  await page.setViewport({ width: 390, height: 844 });
  // The phone's shot ends with the report: the explanations below it are long.
  const reportEnd = await page.$eval('#report-pane', (pane) => Math.ceil(pane.getBoundingClientRect().bottom + window.scrollY));
  await page.setViewport({ width: 390, height: reportEnd + 16 });
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-phone.png') });
  await page.setViewport({ width: 390, height: 844 });
  const wide = await page.evaluate(() => document.documentElement.scrollWidth);
  if (wide > 390) {
    fail('at 390 px the page is ' + wide + ' px wide');
  }
  // examples/group20.dat as its first screen shows it at 1280 by 900 pixels.
  await page.setViewport({ width: 1280, height: 900 });
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await page.click('#example-group20');
  await settled(page, 'group20.dat');
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-group20.png') });
  await page.setViewport({ width: 1200, height: 1400 });
}

// Pictures that do not crowd: no two labels of the triad's network and
// heat map, nor of group20's heat map, overlap on screen; at 390 px
// group20's heat map is shown at a readable size or says to use Full size.
export async function crowdedPictures(page) {
  // The pairs of texts of the picture whose boxes on screen overlap.
  const overlaps = () => page.$eval('#picture svg', (svg) => {
    const boxes = Array.from(svg.querySelectorAll('text'), (text) => [text.textContent, text.getBoundingClientRect()]);
    const found = [];
    boxes.forEach(([a, p], i) => boxes.slice(i + 1).forEach(([b, q]) => {
      // A label's box holds its font's ascent and descent, more than its
      // line: the lines of one label overlap by a little.
      const high = Math.min(p.bottom, q.bottom) - Math.max(p.top, q.top);
      if (p.left < q.right - 0.5 && q.left < p.right - 0.5 && high > 0.6 * Math.min(p.height, q.height)) {
        found.push(a + '|' + b);
      }
    }));
    return found;
  });
  await page.setViewport({ width: 1280, height: 900 });
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  for (const view of ['network', 'heatmap']) {
    await page.click('#view-' + view);
    await page.waitForFunction((view) => document.getElementById('picture').dataset.view === view &&
      !document.getElementById('picture').hasAttribute('aria-busy'), { timeout: 60000 }, view);
    const found = await overlaps();
    if (found.length > 0) {
      fail('the triad\'s ' + view + ' has labels that overlap: ' + found.slice(0, 5).join(', '));
    }
  }
  await page.setViewport({ width: 390, height: 844 });
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  const shown = await page.evaluate(() => {
    const svg = document.querySelector('#picture svg');
    return { scale: svg.getBoundingClientRect().width / (parseFloat(svg.getAttribute('width')) * 4 / 3),
      small: !document.getElementById('picture-small').hidden, view: document.getElementById('picture').dataset.view };
  });
  const found = await overlaps();
  if (shown.view !== 'heatmap' || (shown.scale < 0.6) !== shown.small || found.length > 0) {
    fail('group20\'s heat map at 390 px: ' + JSON.stringify(shown) + ', labels that overlap: ' + found.slice(0, 5).join(', '));
  }
  const pane = await page.$eval('#picture-pane', (element) => {
    const box = element.getBoundingClientRect();
    return { top: box.top + window.scrollY, height: box.height };
  });
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-heatmap-phone.png'),
    clip: { x: 0, y: pane.top, width: 390, height: Math.min(pane.height, 1200) }, captureBeyondViewport: true });
  await page.click('#picture-full');
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-heatmap-phone-full.png'),
    clip: { x: 0, y: pane.top, width: 390, height: Math.min(pane.height, 1200) }, captureBeyondViewport: true });
  await page.click('#picture-full');
  await page.setViewport({ width: 1200, height: 1400 });
}

// One screen for 20 players: at 1280x900 group20's report fits its pane's
// width, the panes one above the other, and its picture is scaled to its
// pane, each with a control for its full size, which then scrolls and says
// so; at 390 px the triad's report fits or says that it scrolls, and the
// page is no wider.
export async function oneScreen(page) {
  await page.setViewport({ width: 1280, height: 900 });
  await page.click('#view-network');
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  const measure = () => page.evaluate(() => {
    const report = document.getElementById('report');
    const picture = document.getElementById('picture');
    const svg = picture.querySelector('svg');
    return {
      report: [report.scrollWidth, report.clientWidth],
      reportScroll: !document.getElementById('report-scroll').hidden,
      picture: [Math.round(svg.getBoundingClientRect().width), picture.clientWidth],
      pictureScroll: !document.getElementById('picture-scroll').hidden,
      stacked: document.querySelector('.results').classList.contains('stacked'),
      page: document.documentElement.scrollWidth,
    };
  });
  for (const view of ['heatmap', 'network']) {
    if (view !== 'heatmap') {
      await page.click('#view-' + view);
      await page.waitForFunction((view) => document.getElementById('picture').dataset.view === view &&
        !document.getElementById('picture').hasAttribute('aria-busy'), { timeout: 120000 }, view);
    }
    const fits = await measure();
    if (!fits.stacked || fits.report[0] > fits.report[1] || fits.reportScroll || fits.picture[0] > fits.picture[1] ||
        fits.pictureScroll || fits.page > 1280) {
      fail('group20\'s ' + view + ' at 1280 px does not fit: ' + JSON.stringify(fits));
    }
  }
  await page.click('#report-full');
  await page.click('#picture-full');
  const full = await measure();
  if (full.report[0] <= full.report[1] || !full.reportScroll || full.picture[0] <= full.picture[1] || !full.pictureScroll ||
      full.page > 1280) {
    fail('group20 at full size does not scroll and say so: ' + JSON.stringify(full));
  }
  await page.click('#report-full');
  await page.click('#picture-full');
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  await page.setViewport({ width: 390, height: 844 });
  // The page fits itself again once it has heard of the new width.
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 50))));
  const phone = await measure();
  if ((phone.report[0] > phone.report[1]) !== phone.reportScroll || phone.picture[0] > phone.picture[1] || phone.page > 390) {
    fail('the triad at 390 px: ' + JSON.stringify(phone));
  }
  await page.setViewport({ width: 1200, height: 1400 });
}
