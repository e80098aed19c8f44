// What the browser binding asks of the page: one <canvas> per window under a caption bar, its
// painting, the HTML boxes, the timers. The C++ side keeps every rule; this file only calls the
// browser. Windows and timers are known by the numbers the C++ side gives them.
mergeInto(LibraryManager.library, {
  $klb: {
    windows: {},  // number -> {frame, canvas, context, scale}
    timers: {},   // number -> {interval, next, handle}
    focused: null,
    ended: false,
    boxes: 0,  // how many boxes the page opened: each box's own names
    open_boxes: 0,
    sizes: null,  // the window's frame and the screen record, as the program lays them out
    busy: false,  // a call of the program's waits (on a box or on the browser's storage)
    queue: [],    // what came meanwhile for the program to take once it is done, in order

    // Every call into the program goes through here, one at a time. While it waits on a box,
    // what comes is dropped, as under a modal box on the desktop (the page is inert under it
    // anyway). While it waits on the browser's storage, the player's events are kept and
    // handed over in order once it is done: a click on "Fin" during a read of the table is
    // neither lost nor left half done. A tick is dropped during any wait: its timer ticks again.
    // call: runs the program and answers what ccall answers; player: an event of the player's.
    enter: function(call, player) {
      if (klb.ended) return;
      if (klb.busy || klb.queue.length) {
        if (player && !klb.open_boxes) klb.queue.push(call);
        return;
      }
      klb.run(call);
    },

    run: function(call) {
      var done = call();
      if (!Asyncify.currData) return;
      klb.busy = true;
      Promise.resolve(done).then(klb.resume, function(error) {
        klbFail(document.title + ' s\u2019est arrêté sur une erreur (' + klbErrorText(error) +
                ').');
      });
    },

    resume: function() {
      klb.busy = false;
      while (!klb.busy && !klb.ended && klb.queue.length) klb.run(klb.queue.shift());
    },

    // A C++ function of the program's, called with args (texts and numbers).
    call: function(name, args) {
      var types = args.map(function(arg) { return typeof arg === 'string' ? 'string' : 'number'; });
      return function() { return ccall(name, null, types, args, {async: true}); };
    },

    // An event of the player's for the program.
    deliver: function(name, args) {
      klb.enter(klb.call(name, args), true);
    },

    // The program waits on promise, which answers what the program is handed. A promise that
    // fails wakes the program too, with failed: the program then asks klb_web_failure why.
    // Asyncify alone would never wake it, and the page would stop answering without a word.
    settle: function(start, failed) {
      return Asyncify.handleAsync(function() {
        var waited;
        try {
          waited = Promise.resolve(start());
        } catch (error) {
          waited = Promise.reject(error);
        }
        return waited.then(null, function(error) {
          klb.failure = klbErrorText(error);
          return failed;
        });
      });
    },

    // Nothing more for the program: no tick, no event.
    stop: function() {
      klb.ended = true;
      klb.queue = [];
      for (var id in klb.timers) clearInterval(klb.timers[id].handle);
      klb.timers = {};
      klb.on_stop.forEach(function(then) { then(); });
    },
    on_stop: [],

    desktop: function() {
      var desk = document.getElementById('desktop');
      if (!desk) {
        desk = document.createElement('main');
        desk.id = 'desktop';
        document.body.appendChild(desk);
      }
      return desk;
    },

    touch: function() { return matchMedia('(pointer: coarse)').matches; },

    // The room the page gives a window, in CSS pixels: the visible screen (not 100vh, which a
    // phone's browser bars may cover) less the desktop's margins, the window's border and what
    // the page shows beside the desktop (its footer), so that the page never scrolls. A pinch
    // zoom does not shrink it.
    room: function() {
      var desk = klb.desktop(), style = getComputedStyle(desk), beside = 0;
      for (var i = 0; i < document.body.children.length; ++i) {
        var child = document.body.children[i];
        if (child !== desk) beside += child.offsetHeight;
      }
      var view = window.visualViewport;
      var seen = view ? view.height * view.scale : window.innerHeight;
      return {
        width: document.documentElement.clientWidth - 2 * klb.sizes.border -
               parseFloat(style.paddingLeft) - parseFloat(style.paddingRight),
        height: seen - 2 * klb.sizes.border - beside -
                parseFloat(style.paddingTop) - parseFloat(style.paddingBottom),
      };
    },

    // The canvas takes as many CSS pixels as its device pixels make on this screen now. On a
    // touch screen a window larger than the room pans inside its frame, under its caption bar,
    // and a finger on it pans it; on a desktop the page scrolls, as it always did.
    lay_out: function(win) {
      var ratio = window.devicePixelRatio || 1;
      var width = win.width * win.scale / ratio, height = win.height * win.scale / ratio;
      win.canvas.style.width = width + 'px';
      win.canvas.style.height = height + 'px';
      var pans = false;
      if (klb.touch()) {
        var room = klb.room();
        room.height -= klb.sizes.caption_bar;
        win.view.style.maxWidth = Math.max(0, room.width) + 'px';
        win.view.style.maxHeight = Math.max(0, room.height) + 'px';
        pans = width > room.width + 0.5 || height > room.height + 0.5;
      } else {
        win.view.style.maxWidth = win.view.style.maxHeight = '';
      }
      win.frame.classList.toggle('pans', pans);
    },

    // A resize, a rotation, a zoom or the browser's bars coming and going: every window takes
    // the scale that fits now, timer or not, even under a box.
    refit: function() {
      if (klb.ended) return;
      klb.watch_ratio();
      for (var id in klb.windows) {
        klb.lay_out(klb.windows[id]);
        Module['_klb_web_refit'](Number(id));
      }
    },

    watch_screen: function() {
      window.addEventListener('resize', klb.refit);
      if (window.visualViewport) visualViewport.addEventListener('resize', klb.refit);
      klb.watch_ratio();
    },

    // A zoom changes the ratio without always resizing the page: a query on the ratio of now
    // tells when it stops holding. Asked anew at each refit, for whatever ratio it brought.
    watch_ratio: function() {
      var ratio = window.devicePixelRatio || 1;
      if (klb.ratio_watched && klb.ratio_watched.ratio === ratio) return;
      if (klb.ratio_watched) klb.ratio_watched.query.removeEventListener('change', klb.refit);
      var query = matchMedia('(resolution: ' + ratio + 'dppx)');
      query.addEventListener('change', klb.refit);
      klb.ratio_watched = {ratio: ratio, query: query};
    },

    // The point under a pointer event, in the window's model pixels.
    model_point: function(win, event) {
      var box = win.canvas.getBoundingClientRect();
      var width = win.canvas.width / win.scale, height = win.canvas.height / win.scale;
      return [Math.floor((event.clientX - box.left) * width / box.width),
              Math.floor((event.clientY - box.top) * height / box.height)];
    },

    // A modal box: its title, its text and its answers, each [caption, value], the last one
    // also Échap's. ask: {max} for a field to type in, whose text the first answer gives (the
    // others give ''). focus: the answer that has the keyboard (the field has it, if any). The
    // promise gives the value of the answer chosen.
    box: function(kind, title, text, answers, ask, focus) {
      return new Promise(function(resolve) {
        var dialog = document.createElement('dialog');
        dialog.className = 'box ' + kind;
        dialog.setAttribute('aria-label', title);
        var form = document.createElement('form');
        form.method = 'dialog';
        var heading = document.createElement('h2');
        heading.textContent = title;
        var message = document.createElement('p');
        message.textContent = text;
        // A question names its field; a message is read with its box.
        message.id = 'box-text-' + (++klb.boxes);
        if (!ask) dialog.setAttribute('aria-describedby', message.id);
        form.append(heading, message);
        var input = null;
        if (ask) {
          input = document.createElement('input');
          input.type = 'text';
          input.maxLength = ask.max;
          input.autocomplete = 'off';
          input.spellcheck = false;
          // A phone's keyboard: plain text, no capital forced, "Enter" answers.
          input.inputMode = 'text';
          input.enterKeyHint = 'done';
          input.autocapitalize = 'off';
          input.setAttribute('aria-labelledby', message.id);
          form.append(input);
        }
        var buttons = document.createElement('div');
        buttons.className = 'buttons';
        var made = answers.map(function(answer, i) {
          var button = document.createElement('button');
          button.textContent = answer[0];
          button.value = answer[1];
          // Only the first submits: Entrée in the field must not take the text to another.
          if (i > 0) {
            button.type = 'button';
            button.addEventListener('click', function() { dialog.close(answer[1]); });
          }
          return button;
        });
        buttons.append.apply(buttons, made);
        form.append(buttons);
        dialog.append(form);
        var last = answers[answers.length - 1][1];
        dialog.addEventListener('close', function() {
          --klb.open_boxes;
          var value = dialog.returnValue || last;
          dialog.remove();
          if (klb.focused) klb.focused.frame.focus({preventScroll: true});
          resolve(!input ? value : value === answers[0][1] ? input.value : '');
        });
        dialog.addEventListener('cancel', function() { dialog.returnValue = last; });
        klb.desktop().append(dialog);
        try {
          dialog.showModal();
        } catch (error) {
          dialog.remove();
          throw error;
        }
        ++klb.open_boxes;
        (input || made[focus || 0]).focus();
      });
    },

    // The page's one polite live region, there before anything is said in it, so that readers
    // watch it from the start.
    live_region: function() {
      var region = document.getElementById('said');
      if (!region) {
        region = document.createElement('div');
        region.id = 'said';
        region.className = 'said';
        region.setAttribute('role', 'status');
        klb.desktop().append(region);
      }
      return region;
    },

    // New nodes each time, so that a text said again (a second "Perdu !") is said again.
    say: function(texts) {
      var region = klb.live_region();
      region.replaceChildren();
      texts.forEach(function(text) {
        var line = document.createElement('p');
        line.textContent = text;
        region.append(line);
      });
    },

    // A node of a window's reading, of the kind the program names: made once, then kept.
    reading_node: function(win, id, element, kind) {
      var node = win.nodes[element];
      if (node && node.dataset.kind === kind) return node;
      if (node) node.remove();
      if (kind === 'button') {
        node = document.createElement('button');
        node.type = 'button';
        node.addEventListener('click', function() {
          klb.deliver('klb_web_activate', [id, element]);
        });
      } else if (kind === 'table') {
        node = document.createElement('table');
      } else {
        node = document.createElement(kind === 'text' ? 'p' : 'div');
        if (kind !== 'text') node.setAttribute('role', kind);
      }
      node.dataset.kind = kind;
      win.nodes[element] = node;
      return node;
    },

    // The browser's own repeating timer, as any page has it: each tick falls due a whole
    // interval after the last one due, not after the last one run, so the browser's lateness
    // does not add up, and the ticks a busy page misses are dropped.
    schedule: function(id) {
      klb.timers[id].handle = setInterval(function() { klb.fire(id); }, klb.timers[id].interval);
    },

    fire: function(id) {
      if (!klb.timers[id]) return;
      klb.enter(klb.call('klb_web_tick', [id]), false);
    },

    // A hidden tab stops its clocks (browsers would slow them to a tick a second); shown
    // again, each counts its interval anew, as a timer switched on does.
    pause_or_resume: function() {
      for (var id in klb.timers) {
        clearInterval(klb.timers[id].handle);
        // A key of the object is text; the program must be given its timer's number.
        if (!document.hidden) klb.schedule(Number(id));
      }
    },
  },

  klb_web_window_open__deps: ['$klb'],
  klb_web_window_open: function(id, caption) {
    if (!klb.visibility_watched) {
      document.addEventListener('visibilitychange', klb.pause_or_resume);
      klb.watch_screen();
      klb.visibility_watched = true;
    }
    // The frame holds the keyboard for the window's keys; a reader finds it as a region named
    // by the window, described by the page's line on the keys, when there is one.
    var frame = document.createElement('section');
    frame.className = 'window';
    frame.hidden = true;
    frame.tabIndex = -1;
    if (document.getElementById('keys')) frame.setAttribute('aria-describedby', 'keys');
    var bar = document.createElement('header');
    var title = document.createElement('h1');
    title.textContent = UTF8ToString(caption);
    bar.append(title);
    // Drawn in the caption bar, but last in the keyboard's order: after the window's controls.
    // Its sign is drawn, its name read: "Fermer", once.
    var close = document.createElement('button');
    close.className = 'close';
    close.title = 'Fermer';
    var sign = document.createElement('span');
    sign.textContent = '\u00d7';
    sign.setAttribute('aria-hidden', 'true');
    close.append(sign);
    close.addEventListener('click', function() { klb.deliver('klb_web_closed', [id]); });
    // The canvas is pixels only; what a reader finds of it lies over it, one node per element.
    // The view around them is what pans when the window is larger than the page.
    var view = document.createElement('div');
    view.className = 'view';
    var surface = document.createElement('div');
    surface.className = 'surface';
    var canvas = document.createElement('canvas');
    canvas.setAttribute('aria-hidden', 'true');
    var reading = document.createElement('div');
    reading.className = 'reading';
    surface.append(canvas, reading);
    view.append(surface);
    frame.append(bar, view, close);
    // Before the live region, which a reader meets last.
    klb.desktop().insertBefore(frame, klb.live_region());
    var win = {frame: frame, title: title, view: view, canvas: canvas,
               context: canvas.getContext('2d'), scale: 1, width: 1, height: 1,
               reading: reading, nodes: {}, listed: [], told: [], pointer: null};
    klb.windows[id] = win;

    // One press at a time, as with a mouse: the pointer that made it ends it, and another
    // finger meanwhile neither moves it, ends it nor makes one of its own.
    canvas.addEventListener('pointerdown', function(event) {
      if (event.button !== 0) return;
      event.preventDefault();
      if (win.pointer !== null) return;
      win.pointer = event.pointerId;
      klb.focused = win;
      frame.focus({preventScroll: true});
      // Not on a window that pans: the browser would not take the finger for a pan.
      if (!frame.classList.contains('pans')) canvas.setPointerCapture(event.pointerId);
      var at = klb.model_point(win, event);
      klb.deliver('klb_web_press', [id, at[0], at[1]]);
    });
    canvas.addEventListener('pointerup', function(event) {
      if (event.button !== 0 || event.pointerId !== win.pointer) return;
      win.pointer = null;
      var at = klb.model_point(win, event);
      klb.deliver('klb_web_release', [id, at[0], at[1]]);
    });
    // Taken away without a release (the window hidden under it): no click, and the next
    // press is free to come.
    var lost = function(event) {
      if (event.pointerId !== win.pointer) return;
      win.pointer = null;
      klb.deliver('klb_web_cancel', [id]);
    };
    canvas.addEventListener('pointercancel', lost);
    canvas.addEventListener('lostpointercapture', lost);
    frame.addEventListener('keydown', function(event) {
      // On a button of the page, Entrée and Espace are that button's press.
      if (event.target.closest('button') && (event.key === 'Enter' || event.key === ' ')) return;
      if (event.key === ' ') event.preventDefault();  // it would scroll the page
      var modified = event.ctrlKey || event.altKey || event.metaKey;
      klb.deliver('klb_web_key', [id, event.key, modified ? 1 : 0, event.repeat ? 1 : 0]);
    });
  },

  // The window's frame in CSS pixels, drawn by the style sheet from these, and where each
  // field of the record klb_web_screen fills lies, in bytes: as the program lays them out.
  klb_web_page_sizes__deps: ['$klb'],
  klb_web_page_sizes: function(caption_bar, border, ratio, bar, width, height, fill) {
    klb.sizes = {caption_bar: caption_bar, border: border,
                 record: {ratio: ratio, caption_bar: bar, width: width, height: height, fill: fill}};
    var style = document.documentElement.style;
    style.setProperty('--caption-bar', caption_bar + 'px');
    style.setProperty('--border', border + 'px');
  },

  // The caption bar's height and the room the page gives a window, in device pixels, where the
  // program's record has them. On a touch screen (a phone, a tablet) a window takes all that
  // room; on a desktop, the screen's own scale.
  klb_web_screen__deps: ['$klb'],
  klb_web_screen: function(out) {
    var ratio = window.devicePixelRatio || 1, room = klb.room(), at = klb.sizes.record;
    HEAPF64[(out + at.ratio) >> 3] = ratio;
    HEAP32[(out + at.caption_bar) >> 2] = Math.round(klb.sizes.caption_bar * ratio);
    HEAP32[(out + at.width) >> 2] = Math.floor(room.width * ratio);
    HEAP32[(out + at.height) >> 2] = Math.floor(room.height * ratio);
    HEAP32[(out + at.fill) >> 2] = klb.touch() ? 1 : 0;
  },

  // width, height: the client area in model pixels. The canvas holds scale device pixels for
  // each, and takes as many CSS pixels as that makes on this screen.
  klb_web_window_size__deps: ['$klb'],
  klb_web_window_size: function(id, width, height, scale) {
    var win = klb.windows[id];
    win.scale = scale;
    win.width = width;
    win.height = height;
    win.canvas.dataset.scale = scale;  // read by the tests, which see the model's pixels
    win.canvas.width = width * scale;
    win.canvas.height = height * scale;
    klb.lay_out(win);
  },

  klb_web_window_caption__deps: ['$klb'],
  klb_web_window_caption: function(id, caption) {
    klb.windows[id].title.textContent = UTF8ToString(caption);
  },

  klb_web_window_show__deps: ['$klb'],
  klb_web_window_show: function(id, shown) {
    var win = klb.windows[id];
    if (win.frame.hidden === !shown) return;
    win.frame.hidden = !shown;
    if (shown) {
      klb.focused = win;
      // Not scrolled to: a window taller than the page is seen from its caption bar down.
      win.frame.focus({preventScroll: true});
    } else if (klb.focused === win) {
      klb.focused = null;
    }
  },

  // A window's reading, sent whole when it changed: begin, each node in reading order, end.
  klb_web_read_window__deps: ['$klb'],
  klb_web_read_window: function(id, name) {
    klb.windows[id].frame.setAttribute('aria-label', UTF8ToString(name));
  },

  klb_web_read_begin__deps: ['$klb'],
  klb_web_read_begin: function(id) {
    var win = klb.windows[id];
    win.listed = [];
    win.told = [];
  },

  // x, y, width, height: the element's place in the window's pixels; the node lies over it, so
  // that a reader's finger finds it and the keyboard's ring shows around it. announce: its
  // text is to be said now.
  klb_web_read_node__deps: ['$klb'],
  klb_web_read_node: function(id, element, kind, name, x, y, width, height, announce) {
    var win = klb.windows[id];
    var node = klb.reading_node(win, id, element, UTF8ToString(kind));
    var text = UTF8ToString(name);
    if (node.dataset.kind === 'button' || node.dataset.kind === 'text') {
      if (node.textContent !== text) node.textContent = text;
    } else {
      node.setAttribute('aria-label', text);
    }
    node.style.left = (100 * x / win.width) + '%';
    node.style.top = (100 * y / win.height) + '%';
    node.style.width = (100 * width / win.width) + '%';
    node.style.height = (100 * height / win.height) + '%';
    node.hidden = false;
    win.listed.push(node);
    if (announce) win.told.push(text);
  },

  // The nodes not listed are hidden; the keyboard on one of them goes back to the window.
  klb_web_read_end__deps: ['$klb'],
  klb_web_read_end: function(id) {
    var win = klb.windows[id];
    for (var element in win.nodes) {
      var node = win.nodes[element];
      if (win.listed.indexOf(node) >= 0 || node.hidden) continue;
      if (node.contains(document.activeElement)) win.frame.focus({preventScroll: true});
      node.hidden = true;
    }
    win.listed.forEach(function(node, i) {
      var there = win.reading.children[i] || null;
      if (there !== node) win.reading.insertBefore(node, there);
    });
    if (win.told.length) klb.say(win.told);
  },

  // A table of rows x cols cells: the first row holds the headings of the columns, the first
  // column those of the rows.
  klb_web_read_table__deps: ['$klb'],
  klb_web_read_table: function(id, element, rows, cols) {
    var table = klb.windows[id].nodes[element];
    if (table.rows.length === rows && table.rows[0].cells.length === cols) return;
    table.replaceChildren();
    for (var r = 0; r < rows; ++r) {
      var row = table.insertRow();
      for (var c = 0; c < cols; ++c) {
        var cell = document.createElement(r === 0 && c > 0 || c === 0 && r > 0 ? 'th' : 'td');
        if (cell.tagName === 'TH') cell.scope = r === 0 ? 'col' : 'row';
        row.append(cell);
      }
    }
  },

  klb_web_read_cell__deps: ['$klb'],
  klb_web_read_cell: function(id, element, row, col, text) {
    var cell = klb.windows[id].nodes[element].rows[row].cells[col];
    var value = UTF8ToString(text);
    if (cell.textContent !== value) cell.textContent = value;
  },

  klb_web_paint_begin__deps: ['$klb'],
  klb_web_paint_begin: function(id) {
    var win = klb.windows[id];
    klb.painting = win;
    var c = win.context;
    c.setTransform(win.scale, 0, 0, win.scale, 0, 0);
    c.imageSmoothingEnabled = false;
  },

  klb_web_fill__deps: ['$klb'],
  klb_web_fill: function(x, y, width, height, rgb) {
    var c = klb.painting.context;
    c.fillStyle = '#' + (0x1000000 + rgb).toString(16).slice(1);
    c.fillRect(x, y, width, height);
  },

  klb_web_clip__deps: ['$klb'],
  klb_web_clip: function(x, y, width, height) {
    var c = klb.painting.context;
    c.save();
    c.beginPath();
    c.rect(x, y, width, height);
    c.clip();
  },

  klb_web_unclip__deps: ['$klb'],
  klb_web_unclip: function() {
    klb.painting.context.restore();
  },

  // One of the pictures of the program's script at its natural size, from its upper-left corner.
  klb_web_picture__deps: ['$klb'],
  klb_web_picture: function(name, x, y) {
    var image = Module['pictures'][UTF8ToString(name)];
    if (image) klb.painting.context.drawImage(image, x, y);
  },

  // align: 0 left, 1 centred; middle: centred in the height, else from the top.
  klb_web_text__deps: ['$klb'],
  klb_web_text: function(text, x, y, width, height, family, size, bold, rgb, align, middle) {
    var c = klb.painting.context;
    c.save();
    c.beginPath();
    c.rect(x, y, width, height);
    c.clip();
    c.font = (bold ? 'bold ' : '') + size + 'px "' + UTF8ToString(family) +
             '", "Comic Neue", sans-serif';
    c.fillStyle = '#' + (0x1000000 + rgb).toString(16).slice(1);
    c.textAlign = align ? 'center' : 'left';
    var lines = UTF8ToString(text).replace(/\0/g, '').split('\n');
    var step = Math.round(size * 1.2);
    c.textBaseline = middle ? 'middle' : 'top';
    var top = middle ? y + height / 2 - (lines.length - 1) * step / 2 : y;
    var left = align ? x + width / 2 : x;
    lines.forEach(function(line, i) { c.fillText(line, left, top + i * step); });
    c.restore();
  },

  // Every box answers 0 (or null) when it could not be shown or answered: see klb_web_failure.
  klb_web_input_box__deps: ['$klb'],
  klb_web_input_box__sig: 'iiii',
  klb_web_input_box: function(title, prompt, max_chars) {
    return klb.settle(function() {
      return klb.box('question', UTF8ToString(title), UTF8ToString(prompt),
                     [['OK', 'ok'], ['Annuler', 'cancel']], {max: max_chars})
          .then(function(answer) { return allocateUTF8(answer); });
    }, 0);
  },

  // kind: 0 a message, 1 a runtime error. 1 once answered.
  klb_web_message_box__deps: ['$klb'],
  klb_web_message_box__sig: 'iiii',
  klb_web_message_box: function(title, text, kind) {
    return klb.settle(function() {
      return klb.box(kind ? 'error' : 'message', UTF8ToString(title), UTF8ToString(text),
                     [['OK', 'ok']]).then(function() { return 1; });
    }, 0);
  },

  // Why the last box failed, for the program to free; null when none did.
  klb_web_failure__deps: ['$klb'],
  klb_web_failure: function() {
    var why = klb.failure;
    klb.failure = null;
    return why ? allocateUTF8(why) : 0;
  },

  klb_web_timer_start__deps: ['$klb'],
  klb_web_timer_start: function(id, interval) {
    var old = klb.timers[id];
    if (old) clearInterval(old.handle);
    klb.timers[id] = {interval: interval, handle: 0};
    if (!document.hidden) klb.schedule(id);
  },

  klb_web_timer_stop__deps: ['$klb'],
  klb_web_timer_stop: function(id) {
    var t = klb.timers[id];
    if (t) clearInterval(t.handle);
    delete klb.timers[id];
  },

  // Every window goes; the page says the program has ended and offers to start it again.
  klb_web_end__deps: ['$klb'],
  klb_web_end: function(title) {
    klb.stop();
    for (var w in klb.windows) klb.windows[w].frame.hidden = true;
    var note = document.createElement('section');
    note.className = 'ended';
    var text = document.createElement('p');
    text.textContent = UTF8ToString(title) + ' est terminé.';
    var again = document.createElement('button');
    again.textContent = 'Relancer ' + UTF8ToString(title);
    again.addEventListener('click', function() { location.reload(); });
    note.append(text, again);
    klb.desktop().append(note);
    again.focus();
  },
});
